#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPalette>

#include "app/dialogs/sweep_choice.h"
#include "app/dialogs/sweep_dialog.h"
#include "app/shell/palette_follow.h"
#include "app/windows/compare_window.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

// A dark theme as desktops give it: light text on dark faces.
QPalette darkPalette() {
    QPalette palette;
    const QColor face(53, 53, 53);
    const QColor text(230, 230, 230);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(35, 35, 35));
    palette.setColor(QPalette::AlternateBase, face);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Light, QColor(80, 80, 80));
    palette.setColor(QPalette::Midlight, QColor(66, 66, 66));
    palette.setColor(QPalette::Mid, QColor(40, 40, 40));
    palette.setColor(QPalette::Dark, QColor(20, 20, 20));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    return palette;
}

// How well the widget's drawn text stands out: the contrast of its most distant pixel against the
// colour most of it is painted in, its background.
double drawnContrast(QWidget& widget) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > most) std::tie(background, most) = std::pair(it.key(), it.value());
    double best = 1.0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        best = std::max(best, contrastRatio(QColor(it.key()), QColor(background)));
    return best;
}

// Text people read at a glance: WCAG's 4.5 for body text.
constexpr double kReadable = 4.5;

class DarkPaletteGuiTest : public WorkbenchTest {
protected:
    DarkPaletteGuiTest() : before_(QApplication::palette()) {}
    ~DarkPaletteGuiTest() override { QApplication::setPalette(before_); }

private:
    QPalette before_;
};

TEST_F(DarkPaletteGuiTest, ReadOnlyFieldsAndTheWorkAreaFollowAPaletteChangedWhileRunning) {
    QApplication::setPalette(darkPalette());
    QApplication::processEvents();
    for (QLineEdit* field : {form->Edit3, form->Edit5}) {
        SCOPED_TRACE(field->objectName().toStdString());
        EXPECT_GE(contrastRatio(field->palette().color(QPalette::Base), field->palette().color(QPalette::Text)),
                  kReadable);
        EXPECT_GE(drawnContrast(*field), kReadable);
    }
    EXPECT_EQ(form->ClientArea->background().color(), darkPalette().color(QPalette::Dark));

    // And back: a light theme again gives dark text on light faces.
    QApplication::setPalette(QPalette(Qt::white));
    QApplication::processEvents();
    EXPECT_GE(drawnContrast(*form->Edit5), kReadable);
}

TEST_F(DarkPaletteGuiTest, TheSweepDialogsProblemCanBeReadOnADarkPalette) {
    QApplication::setPalette(darkPalette());
    SweepDialog dialog(SweepChoice{}, form.get());
    dialog.show();
    EXPECT_FALSE(dialog.addCurve(QStringLiteral("no-such-codec")));
    auto* problem = dialog.findChild<QLabel*>("SweepProblem");
    ASSERT_TRUE(problem->isVisible());
    ASSERT_FALSE(problem->text().isEmpty());
    EXPECT_GE(drawnContrast(*problem), kReadable);
}

TEST_F(DarkPaletteGuiTest, ComparePaneCaptionsCanBeReadOnADarkPalette) {
    QApplication::setPalette(darkPalette());
    const QImage picture = patternBitmap(64, 48);
    auto* compare = new CompareWindow("a.bmp", picture, "b.bmp", picture, form.get());
    compare->show();
    QApplication::processEvents();
    for (const char* name : {"SourceCaption", "ResultCaption"}) {
        SCOPED_TRACE(name);
        auto* caption = compare->findChild<QLabel*>(name);
        ASSERT_NE(caption, nullptr);
        EXPECT_GE(drawnContrast(*caption), kReadable);
    }
    compare->close();
    settleClosedWindows();
}

}  // namespace
}  // namespace brenlow::testing

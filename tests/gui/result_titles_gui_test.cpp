#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QRegularExpression>
#include <QTimer>
#include <filesystem>

#include "app/dialogs/window_pair_dialog.h"
#include "app/shell/result_titles.h"
#include "app/shell/workbench_settings.h"
#include "app/windows/compare_window.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

class ResultTitlesGuiTest : public WorkbenchTest {
protected:
    // Codes `source` with `command` at quality `quality` and returns the result's window.
    TMDIChild* code(TMDIChild* source, QAction* command, const QString& quality) {
        form->ClientArea->setActiveSubWindow(source);
        form->Edit2->setText(quality);
        command->trigger();
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        return lastDocument();
    }

    QStringList windowMenuEntries() const {
        // The numbered entries, "&1 ...", of the windows open.
        static const QRegularExpression listed(QStringLiteral("^&\\d+ "));
        emit form->Window1->aboutToShow();
        QStringList entries;
        for (const QAction* action : form->Window1->actions())
            if (listed.match(action->text()).hasMatch()) entries << action->text();
        return entries;
    }

    QAction* anchorEntry(const QString& title) const {
        for (QAction* entry : form->AnchorCodecEntries)
            if (QString(entry->text()).remove(QLatin1Char('&')) == title) return entry;  // past its mnemonic
        return nullptr;
    }
};

TEST_F(ResultTitlesGuiTest, ResultsShowTheirCodecAndSettingsWhileTheirCaptionStaysTheFile) {
    const std::string path = openCopy(samplePath("astronaut.bmp"));
    const QString base = QString::fromStdString(path.substr(0, path.size() - 4));
    TMDIChild* source = lastDocument();
    form->Edit3->setText("2");
    form->Edit5->setText("2");

    TMDIChild* avc = code(source, form->AJC1, "80");
    EXPECT_EQ(avc->windowTitle(), base + "~.bmp - AVC q80 d2 f2");
    EXPECT_EQ(avc->caption(), base + "~.bmp");
    TMDIChild* jpeg = code(source, form->JPEG1, "30");
    EXPECT_EQ(jpeg->windowTitle(), base + "~.bmp - JPEG q30");
    EXPECT_EQ(source->windowTitle().toStdString(), path) << "an opened file shows its path alone";

    // A result coded again names its files after its caption, never after the title shown.
    TMDIChild* again = code(avc, form->AJC2, "50");
    EXPECT_EQ(again->caption(), base + "~~.bmp");
    EXPECT_EQ(again->windowTitle(), base + "~~.bmp - AJC q50 d2");
    EXPECT_TRUE(std::filesystem::is_regular_file(base.toStdString() + "~.ajc"));

    const QStringList entries = windowMenuEntries();
    ASSERT_EQ(entries.size(), 4) << entries.join('\n').toStdString();
    EXPECT_EQ(entries[1], "&2 " + avc->windowTitle());
    EXPECT_EQ(entries[2], "&3 " + jpeg->windowTitle());
}

// Every still command writes its result as base~.bmp: a window whose file a later result replaced
// says so, and its Save asks before writing over the later result; saved, it marks the others.
TEST_F(ResultTitlesGuiTest, AWindowWhoseFileALaterResultReplacedSaysSoAndSaveAsks) {
    const std::string path = openCopy(samplePath("astronaut.bmp"));
    const std::string result = path.substr(0, path.size() - 4) + "~.bmp";
    TMDIChild* source = lastDocument();
    TMDIChild* avc = code(source, form->AJC1, "80");
    TMDIChild* ajc = code(source, form->AJC2, "50");
    TMDIChild* jpeg = code(source, form->JPEG1, "30");
    ASSERT_EQ(avc->caption(), jpeg->caption());
    EXPECT_TRUE(avc->windowTitle().endsWith(" - AVC q80 d2 f2 - file replaced by the JPEG q30 result"))
        << avc->windowTitle().toStdString();
    EXPECT_TRUE(ajc->windowTitle().endsWith(" - file replaced by the JPEG q30 result")) << ajc->windowTitle().toStdString();
    EXPECT_FALSE(jpeg->windowTitle().contains("replaced")) << jpeg->windowTitle().toStdString();
    EXPECT_FALSE(source->windowTitle().contains("replaced"));

    // Declined, the file keeps the JPEG result.
    const QImage jpegPicture = loadBitmapFile(result);
    form->askOverwriteResult = [this](const QString& question) {
        questions << question;
        return false;
    };
    form->ClientArea->setActiveSubWindow(avc);
    form->FileSave1->trigger();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("holds the JPEG q30 result")) << questions[0].toStdString();
    EXPECT_EQ(loadBitmapFile(result), jpegPicture);

    form->askOverwriteResult = [this](const QString& question) {
        questions << question;
        return true;
    };
    form->FileSave1->trigger();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(loadBitmapFile(result), avc->bitmap());
    EXPECT_FALSE(avc->windowTitle().contains("replaced")) << avc->windowTitle().toStdString();
    EXPECT_TRUE(jpeg->windowTitle().endsWith(" - file replaced by the AVC q80 d2 f2 result")) << jpeg->windowTitle().toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// A title bar too narrow for the whole title shows the file's name and codec first and loses the
// middle of the folder; wide enough, it shows the folder whole after them.
TEST(TitleBarTextTest, LeadsWithTheFileAndCodecAndShortensTheFolderInTheMiddle) {
    const QFontMetrics metrics(QApplication::font());
    const QString caption = "/tmp/brenlow-work/sessions/december/astronaut~.bmp";
    const QString title = caption + " - AVC q80 d2 f2";
    const QString lead = "astronaut~.bmp - AVC q80 d2 f2";
    const QString whole = lead + " (in /tmp/brenlow-work/sessions/december)";
    EXPECT_EQ(titleLeadingWithName(caption, title, metrics, metrics.horizontalAdvance(whole) + 4), whole);

    const int narrow = metrics.horizontalAdvance(lead + " (in /tmp/brenl)");
    const QString shortened = titleLeadingWithName(caption, title, metrics, narrow);
    EXPECT_TRUE(shortened.startsWith(lead + " (in /")) << shortened.toStdString();
    EXPECT_TRUE(shortened.endsWith("r)")) << "the folder's end stays: " << shortened.toStdString();
    EXPECT_TRUE(shortened.contains(QChar(0x2026))) << shortened.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shortened), narrow);

    const QString tiny = titleLeadingWithName(caption, title, metrics, metrics.horizontalAdvance("astronaut~.b"));
    EXPECT_TRUE(tiny.startsWith("astro")) << tiny.toStdString();
    EXPECT_EQ(titleLeadingWithName("NONAME1", "NONAME1", metrics, 400), "NONAME1");
}

TEST_F(ResultTitlesGuiTest, AnchorResultsCarryTheirRememberedSettings) {
    QAction* webp = anchorEntry("WebP");
    if (!webp) GTEST_SKIP() << "WebP is not built";
    openCopy(samplePath("astronaut.bmp"));
    TMDIChild* source = lastDocument();
    EXPECT_TRUE(code(source, webp, "60")->windowTitle().endsWith("~.bmp - WebP q60 method 4"));
    rememberCodecSettings(*codecEntryNamed("webp"), {{"method", "1"}});
    EXPECT_TRUE(code(source, webp, "60")->windowTitle().endsWith("~.bmp - WebP q60 method 1"));
}

TEST_F(ResultTitlesGuiTest, CompareViewsAndTheWindowPairListsShowTheTitles) {
    openCopy(samplePath("astronaut.bmp"));
    TMDIChild* source = lastDocument();
    TMDIChild* jpeg = code(source, form->JPEG1, "30");
    ASSERT_TRUE(waitForMeasures());
    form->Compare1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<CompareWindow*> compares = form->findChildren<CompareWindow*>();
    ASSERT_EQ(compares.size(), 1);
    EXPECT_EQ(compares.first()->windowTitle(), "Compare: " + jpeg->windowTitle());
    const auto* result = compares.first()->findChild<QLabel*>("ResultCaption");
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->text().contains(" - JPEG q30")) << result->text().toStdString();

    QStringList offered;
    QTimer::singleShot(0, form.get(), [&] {
        auto* dialog = form->findChild<WindowPairDialog*>();
        if (!dialog) return;
        auto* boxA = dialog->findChild<QComboBox*>("WindowA");
        for (int i = 0; i < boxA->count(); ++i) offered << boxA->itemText(i);
        dialog->reject();
    });
    form->CompareTwo1->trigger();
    EXPECT_EQ(offered, QStringList({source->windowTitle(), jpeg->windowTitle()}));
}

}  // namespace
}  // namespace brenlow::testing

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextStream>

#include "app/docks/measurements_dock.h"
#include "app/dialogs/sweep_dialog.h"
#include "app/windows/compare_window.h"
#include "app/windows/sweep_window.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

// A control of the accessibility tree as a screen reader meets it.
struct AccessibleControl {
    QString role;
    QString name;
    QString objectName;  // or its class where it has none
    bool focusable = false;
};

QString roleName(QAccessible::Role role) {
    return QString::number(static_cast<int>(role), 16);
}

// Every widget below `root` in the accessibility tree, in the tree's order. Cells of tables and
// items of lists are not widgets and are left out.
void collectControls(QAccessibleInterface* node, QList<AccessibleControl>& controls, int depth = 0) {
    if (!node || depth > 40) return;
    auto* widget = qobject_cast<QWidget*>(node->object());
    if (widget) {
        // Reached by the keyboard: a control a screen reader's user tabs to.
        const bool focusable = (widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled();
        const QString object = widget->objectName().isEmpty()
                                   ? QStringLiteral("%1 in %2").arg(QString::fromLatin1(widget->metaObject()->className()),
                                                                    widget->parentWidget() ? widget->parentWidget()->objectName() : QString())
                                   : widget->objectName();
        controls.append({roleName(node->role()), node->text(QAccessible::Name), object, focusable});
    }
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child && qobject_cast<QWidget*>(child->object())) collectControls(child, controls, depth + 1);
    }
}

QList<AccessibleControl> controlsOf(QWidget* window) {
    QList<AccessibleControl> controls;
    collectControls(QAccessible::queryAccessibleInterface(window), controls);
    return controls;
}

// The focusable controls a screen reader would announce without a name.
QStringList unnamedControls(const QList<AccessibleControl>& controls) {
    QStringList unnamed;
    for (const AccessibleControl& control : controls)
        if (control.focusable && control.name.trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (role %2)").arg(control.objectName, control.role);
    return unnamed;
}

// Writes the names beside the test program, so that the list can be read and shown.
void writeNames(const QString& file, const QList<AccessibleControl>& controls) {
    QFile out(QDir(QCoreApplication::applicationDirPath()).filePath(file));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate));
    QTextStream text(&out);
    for (const AccessibleControl& control : controls)
        text << (control.focusable ? "focusable\t" : "\t") << control.objectName << '\t' << control.name << '\n';
}

class AccessibilityGuiTest : public WorkbenchTest {
protected:
    void checkNamed(QWidget* window, const QString& file) {
        const QList<AccessibleControl> controls = controlsOf(window);
        writeNames(file, controls);
        EXPECT_GT(controls.size(), 5);
        const QStringList unnamed = unnamedControls(controls);
        EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join('\n').toStdString();
    }
};

TEST_F(AccessibilityGuiTest, EveryFocusableControlOfTheMainWindowHasAName) {
    openPicture(patternBitmap(32, 24), "named.bmp");
    form->Measurements->show();
    QApplication::processEvents();
    checkNamed(form.get(), QStringLiteral("accessible-names-main-window.txt"));
    // The toolbar's fields are read out with the labels before them.
    EXPECT_EQ(form->Label2->buddy(), form->Edit2);
    EXPECT_EQ(form->Label1->buddy(), form->Edit5);
    for (QLineEdit* field : {form->Edit2, form->Edit3, form->Edit5, form->Edit6}) {
        SCOPED_TRACE(field->objectName().toStdString());
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name).isEmpty());
    }
}

TEST_F(AccessibilityGuiTest, EveryFocusableControlOfASweepWindowHasAName) {
    openPicture(loadBitmapFile(samplePath("astronaut.bmp")).copy(160, 160, 64, 64), "crop.bmp");
    form->askSweepChoice = [](SweepDialog& dialog) {
        dialog.clearCurves();
        for (const QString& name : {QStringLiteral("jpeg"), QStringLiteral("avc")}) EXPECT_TRUE(dialog.addCurve(name));
        dialog.findChild<QLineEdit*>("SweepQualities")->setText("40:80:40");
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result() == QDialog::Accepted;
    };
    form->Sweep1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<SweepWindow*> windows = form->findChildren<SweepWindow*>();
    ASSERT_EQ(windows.size(), 1);
    checkNamed(windows.first(), QStringLiteral("accessible-names-sweep-window.txt"));
}

TEST_F(AccessibilityGuiTest, EveryFocusableControlOfACompareWindowHasANameAndItsModeBoxShowsFocus) {
    const QImage picture = patternBitmap(64, 48);
    auto* compare = new CompareWindow("a.bmp", picture, "b.bmp", picture, form.get());
    compare->show();
    QApplication::processEvents();
    checkNamed(compare, QStringLiteral("accessible-names-compare-window.txt"));

    // The mode box looks different with the keyboard's focus than without it.
    auto* mode = compare->findChild<QComboBox*>("CompareMode");
    ASSERT_NE(mode, nullptr);
    compare->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(compare));
    compare->findChild<QWidget*>("CompareCanvas")->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const QImage unfocused = mode->grab().toImage();
    mode->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(mode->hasFocus());
    EXPECT_NE(mode->grab().toImage(), unfocused) << "no focus ring";
    compare->close();
    settleClosedWindows();
}

}  // namespace
}  // namespace brenlow::testing

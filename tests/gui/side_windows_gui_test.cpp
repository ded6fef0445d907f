#include <QMenu>
#include <QRegularExpression>

#include "app/windows/compare_window.h"
#include "app/windows/dataset_window.h"
#include "app/windows/sweep_window.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

class SideWindowsGuiTest : public WorkbenchTest {
protected:
    // The Window menu as it opens: its entries after the arranging commands.
    QList<QAction*> listedWindows() const {
        // The numbered entries, "&1 ...", of the windows open.
        static const QRegularExpression listed(QStringLiteral("^&\\d+ "));
        emit form->Window1->aboutToShow();
        QList<QAction*> entries;
        for (QAction* action : form->Window1->actions())
            if (listed.match(action->text()).hasMatch()) entries << action;
        return entries;
    }

    static QStringList textsOf(const QList<QAction*>& entries) {
        QStringList texts;
        for (const QAction* entry : entries) texts << entry->text();
        return texts;
    }
};

TEST_F(SideWindowsGuiTest, SweepCompareAndDataSetWindowsAreListedAfterTheDocumentsAndRaisedFromTheMenu) {
    openPicture(patternBitmap(8, 8), "pattern.bmp");
    const QImage picture = lastDocument()->bitmap();
    auto* sweep = new SweepWindow("pattern.bmp", SweepOutcome{}, "jpeg", form.get());
    auto* compare = new CompareWindow("a.bmp", picture, "b.bmp", picture, form.get());
    auto* dataSet = new DataSetWindow("set", DataSetOutcome{}, "jpeg", form.get());
    for (QWidget* window : {static_cast<QWidget*>(sweep), static_cast<QWidget*>(compare), static_cast<QWidget*>(dataSet)})
        window->show();

    QList<QAction*> entries = listedWindows();
    ASSERT_EQ(textsOf(entries), QStringList({"&1 " + lastDocument()->windowTitle(), "&2 " + sweep->windowTitle(),
                                             "&3 " + compare->windowTitle(), "&4 " + dataSet->windowTitle()}));

    compare->showMinimized();
    entries[2]->trigger();
    EXPECT_FALSE(compare->isMinimized());
    EXPECT_TRUE(compare->isVisible());

    // A closed window leaves the list the next time the menu opens.
    sweep->close();
    settleClosedWindows();
    entries = listedWindows();
    EXPECT_EQ(entries.size(), 3);
    EXPECT_FALSE(textsOf(entries).join('\n').contains("Sweep:"));
}

}  // namespace
}  // namespace brenlow::testing

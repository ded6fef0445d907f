#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>
#include <chrono>

#include "app/jobs/command_progress.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

using namespace std::chrono_literals;

// What the workbench looked like at the moment the progress came up.
struct SeenWhileWorking {
    bool shown = false;
    QString text;
    QStringList enabledStarters;
    bool dropAccepted = true;
    bool sourceClosed = true;
    bool secondCommandRan = true;
};

class CommandProgressTest : public WorkbenchTest {
protected:
    QList<QAction*> commandStarters() const {
        return {form->FileOpen1, form->FileSave1,  form->FileClose1, form->FileExit1,
                form->RecentFiles1->menuAction(), form->JPEG1, form->AJC2, form->AJC1, form->Sweep1, form->Compare1};
    }

    QStringList enabledStarters() const {
        QStringList names;
        for (const QAction* action : commandStarters())
            if (action->isEnabled()) names << action->text();
        return names;
    }

    bool dropAccepted() {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("dropped.bmp")))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        return enter.isAccepted();
    }

    // Runs the AVC command on `source` and looks around as soon as its progress shows.
    SeenWhileWorking runAvcOn(TMDIChild* source) {
        form->ClientArea->setActiveSubWindow(source);
        SeenWhileWorking seen;
        const QMetaObject::Connection probe = QObject::connect(form->CommandProgress1, &CommandProgress::shown, [&] {
            seen.shown = form->CommandProgress1->isVisible();
            seen.text = form->CommandProgress1->text();
            seen.enabledStarters = enabledStarters();
            seen.dropAccepted = dropAccepted();
            seen.sourceClosed = source->close();
            seen.secondCommandRan = form->runCommand([] {});
        });
        form->AJC1->trigger();
        QObject::disconnect(probe);
        return seen;
    }
};

TEST_F(CommandProgressTest, ALongCommandShowsItsProgressStartsNoOtherAndGivesTheSameResult) {
    openPicture(patternBitmap(640, 480), "large.bmp");
    TMDIChild* source = lastDocument();
    const QStringList idleStarters = enabledStarters();
    ASSERT_EQ(idleStarters.size(), commandStarters().size());

    form->progressDelay = 1h;
    const SeenWhileWorking quiet = runAvcOn(source);
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_FALSE(quiet.shown) << "no progress before the delay";
    const QString quietReport = form->Edit6->text();
    const QImage quietResult = lastDocument()->bitmap().copy();

    form->progressDelay = 0ms;
    const SeenWhileWorking seen = runAvcOn(source);
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.text, "Coding large.bmp with AVC...");
    EXPECT_EQ(seen.enabledStarters, QStringList()) << "no entry starts a second command";
    EXPECT_FALSE(seen.dropAccepted);
    EXPECT_FALSE(seen.sourceClosed) << "the window being coded stays open";
    EXPECT_FALSE(seen.secondCommandRan);

    EXPECT_FALSE(form->CommandProgress1->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(enabledStarters(), idleStarters);
    EXPECT_TRUE(dropAccepted());
    ASSERT_EQ(documentCount(), 3);
    EXPECT_EQ(form->Edit6->text(), quietReport);
    EXPECT_EQ(form->statusBar()->currentMessage(), quietReport);
    EXPECT_EQ(lastDocument()->bitmap(), quietResult);
}

TEST_F(CommandProgressTest, AQuickCommandShowsNoProgressAndAFailedOneClearsIt) {
    openPicture(patternBitmap(64, 48), "small.bmp");
    bool shown = false;
    QObject::connect(form->CommandProgress1, &CommandProgress::shown, [&] { shown = true; });
    form->JPEG1->trigger();
    EXPECT_FALSE(shown) << "a command done within the delay";

    form->progressDelay = 0ms;
    openThroughDialog(writeUnreadablePicture("broken.bmp"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(form->CommandProgress1->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(enabledStarters().size(), commandStarters().size());
}

}  // namespace
}  // namespace brenlow::testing

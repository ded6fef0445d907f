#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolBar>
#include <filesystem>
#include <map>

#include "app/docks/measurements_dock.h"
#include "app/shell/workbench_settings.h"
#include "app/windows/sweep_window.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

// Every test starts without remembered layout or recent files and leaves none behind.
class WorkbenchFrameTest : public WorkbenchTest {
protected:
    WorkbenchFrameTest() { openWorkbenchSettings()->clear(); }
    ~WorkbenchFrameTest() override { openWorkbenchSettings()->clear(); }

    // The room the field's frame and margins leave for text.
    static int textRoomOf(const QLineEdit* field) {
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
        const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
        const QMargins margins = field->textMargins();
        return contents.width() - margins.left() - margins.right();
    }

    static void settleLayout() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }

    QStringList recentMenuTexts() {
        emit form->RecentFiles1->aboutToShow();
        QStringList texts;
        for (const QAction* action : form->RecentFiles1->actions()) texts << action->text();
        return texts;
    }

    QAction* recentMenuEntry(int index) {
        emit form->RecentFiles1->aboutToShow();
        return form->RecentFiles1->actions().at(index);
    }
};

TEST_F(WorkbenchFrameTest, ReportLineIsReadableInFullAndCopyable) {
    form->resize(1920, 1080);
    openCopy(samplePath("astronaut.bmp"));
    form->AJC1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    settleLayout();

    const QString line = form->Edit6->text();
    ASSERT_NE(line.indexOf("SNR_B="), -1) << line.toStdString();
    EXPECT_EQ(form->Edit6->toolTip(), line);
    EXPECT_EQ(form->statusBar()->currentMessage(), line);
    EXPECT_GT(textRoomOf(form->Edit6), form->Edit6->fontMetrics().horizontalAdvance(line))
        << "field " << form->Edit6->width() << " px at a 1920 px main window";
    EXPECT_LE(form->Edit6->geometry().right(), form->ToolBar2->contentsRect().right()) << "not folded away";

    EXPECT_TRUE(form->Edit6->isReadOnly());
    form->Edit6->setFocus();
    QApplication::processEvents();
    form->Edit6->selectAll();
    ASSERT_TRUE(form->EditCopy1->isEnabled());
    EXPECT_FALSE(form->EditCut1->isEnabled());
    form->EditCopy1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), line);

    // The field follows the window both ways, never below its design width.
    const int wide = form->Edit6->width();
    form->resize(1000, 700);
    settleLayout();
    EXPECT_LT(form->Edit6->width(), wide);
    EXPECT_GE(form->Edit6->width(), 364);
    EXPECT_EQ(form->Edit6->toolTip(), line);
}

TEST_F(WorkbenchFrameTest, FirstStartTakesFourFifthsOfTheScreenCentred) {
    form.reset();
    TMainForm fresh;
    const QRect available = fresh.screen()->availableGeometry();
    const QRect frame = fresh.geometry();
    EXPECT_NEAR(frame.height(), available.height() * 0.8, 1.0);
    EXPECT_GE(frame.width(), available.width() * 4 / 5);
    EXPECT_LE(frame.width(), available.width());
    EXPECT_NEAR(frame.center().x(), available.center().x(), 1.0);
    EXPECT_NEAR(frame.center().y(), available.center().y(), 1.0);
}

TEST_F(WorkbenchFrameTest, GeometryAndDocksComeBackAfterARestart) {
    const QRect chosen(30, 40, 700, 500);
    form->setGeometry(chosen);
    form->Measurements->show();
    QApplication::processEvents();
    form->close();
    form.reset();

    TMainForm restarted;
    EXPECT_EQ(restarted.geometry(), chosen);
    restarted.show();
    QApplication::processEvents();
    EXPECT_TRUE(restarted.Measurements->isVisible());
    EXPECT_FALSE(restarted.ProgressBar1->isVisible());

    restarted.Measurements->hide();
    restarted.close();
    TMainForm again;
    again.show();
    QApplication::processEvents();
    EXPECT_FALSE(again.Measurements->isVisible());
}

TEST_F(WorkbenchFrameTest, RecentFilesKeepTheLastEightMostRecentFirst) {
    EXPECT_EQ(recentMenuTexts(), QStringList({"(none)"}));
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i) paths.push_back(openPicture(patternBitmap(6, 4), QStringLiteral("f%1.bmp").arg(i).toStdString()));
    openThroughDialog(paths[3]);
    const auto expected = [&](std::initializer_list<int> order) {
        QStringList texts;
        int position = 0;
        for (int i : order) texts << QStringLiteral("&%1 %2").arg(++position).arg(QString::fromStdString(paths[i]));
        return texts;
    };
    EXPECT_EQ(recentMenuTexts(), expected({3, 9, 8, 7, 6, 5, 4, 2}));

    // A file that fails to open is not kept.
    const std::string broken = dir.file("broken.bmp");
    std::filesystem::copy_file(testDataPath("golden_outputs.txt"), broken);
    openThroughDialog(broken);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(recentMenuTexts(), expected({3, 9, 8, 7, 6, 5, 4, 2}));

    // Chosen from the menu, a file opens and moves to the top.
    const int before = documentCount();
    recentMenuEntry(4)->trigger();
    EXPECT_EQ(documentCount(), before + 1);
    EXPECT_EQ(recentMenuTexts(), expected({6, 3, 9, 8, 7, 5, 4, 2}));
}

TEST_F(WorkbenchFrameTest, MenuEntriesShowAnAmpersandInANameAsItIs) {
    const std::string path = openPicture(patternBitmap(6, 4), "a&b.bmp");
    const QString escaped = QString::fromStdString(path).replace("&", "&&");
    EXPECT_EQ(recentMenuTexts(), QStringList({"&1 " + escaped}));
    emit form->Window1->aboutToShow();
    EXPECT_EQ(form->Window1->actions().constLast()->text(), "&1 " + escaped);
}

TEST_F(WorkbenchFrameTest, TheActiveWindowsZoomShowsWhenItBecomesActive) {
    EXPECT_EQ(form->ZoomText->text(), "");
    openPicture(patternBitmap(40, 30), "near.bmp");
    TMDIChild* near = lastDocument();
    near->setZoom(2.0);
    openPicture(patternBitmap(40, 30), "far.bmp");
    EXPECT_EQ(form->ZoomText->text(), "Zoom 100%");
    form->ClientArea->setActiveSubWindow(near);
    EXPECT_EQ(form->ZoomText->text(), "Zoom 200%");
    near->close();
    settleClosedWindows();
    EXPECT_EQ(form->ZoomText->text(), "Zoom 100%");
}

TEST_F(WorkbenchFrameTest, FilesNamedOnTheCommandLineOrDroppedAreKeptWhenTheyOpen) {
    const std::string listed = dir.file("listed.bmp");
    saveBitmapFile(patternBitmap(6, 4), listed);
    form->openDocuments({QString::fromStdString(listed), QString::fromStdString(dir.file("absent.bmp"))});
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(recentFiles(), QStringList({QString::fromStdString(listed)}));
}

TEST_F(WorkbenchFrameTest, ARecentFileGoneSinceIsDroppedWithAMessage) {
    const std::string kept = openPicture(patternBitmap(6, 4), "kept.bmp");
    const std::string gone = openPicture(patternBitmap(6, 4), "gone.bmp");
    std::filesystem::remove(gone);
    const int before = documentCount();
    recentMenuEntry(0)->trigger();
    EXPECT_EQ(documentCount(), before);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_NE(messages[0].indexOf(QString::fromStdString(gone)), -1) << messages[0].toStdString();
    EXPECT_EQ(recentMenuTexts(), QStringList({QStringLiteral("&1 %1").arg(QString::fromStdString(kept))}));
    EXPECT_EQ(recentFiles(), QStringList({QString::fromStdString(kept)})) << "the settings forget it too";
}

TEST_F(WorkbenchFrameTest, CompressCommandsShowTheBusyStateAndClearIt) {
    openPicture(patternBitmap(32, 24), "busy.bmp");
    const std::map<QAction*, QString> commands = {
        {form->JPEG1, "JPEG"}, {form->AJC2, "AJC"}, {form->AJC1, "AVC"}};
    for (const auto& [action, codec] : commands) {
        SCOPED_TRACE(codec.toStdString());
        form->ClientArea->setActiveSubWindow(form->documents().first());
        std::optional<Qt::CursorShape> cursor;
        QString message;
        bool secondCommandRan = true;
        // The result window appears while the command still runs.
        const QMetaObject::Connection probe =
            QObject::connect(form->ClientArea, &QMdiArea::subWindowActivated, form.get(), [&] {
                if (const QCursor* shown = QApplication::overrideCursor()) cursor = shown->shape();
                message = form->statusBar()->currentMessage();
                secondCommandRan = form->runCommand([] {});
            });
        action->trigger();
        QObject::disconnect(probe);
        ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        EXPECT_EQ(cursor, Qt::WaitCursor);
        EXPECT_EQ(message, QStringLiteral("Coding busy.bmp with %1...").arg(codec));
        EXPECT_FALSE(secondCommandRan) << "commands are serialised";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(form->statusBar()->currentMessage(), form->Edit6->text());
    }
    EXPECT_TRUE(form->runCommand([] {})) << "the next command runs once one is done";
}

TEST_F(WorkbenchFrameTest, CompressShortcutsClashWithNoOtherShortcut) {
    std::map<QString, QStringList> owners;
    for (const QAction* action : form->findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts()) owners[key.toString()] << action->text();
    for (const QAction* action : {form->JPEG1, form->AJC2, form->AJC1}) {
        const QString key = action->shortcut().toString();
        ASSERT_FALSE(key.isEmpty()) << action->text().toStdString();
        EXPECT_EQ(owners[key], QStringList({action->text()})) << key.toStdString();
    }
}

TEST_F(WorkbenchFrameTest, SaveConfirmsWithTheFileName) {
    const std::string path = openPicture(patternBitmap(6, 4), "saved.bmp");
    form->FileSave1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("Saved %1").arg(QString::fromStdString(path)));
}

TEST(CsvExportName, GetsTheExtensionOnlyWhenItHasNone) {
    EXPECT_EQ(SweepWindow::csvFileName("table"), "table.csv");
    EXPECT_EQ(SweepWindow::csvFileName("/runs/v1.2/table"), "/runs/v1.2/table.csv");
    EXPECT_EQ(SweepWindow::csvFileName("table."), "table.csv");
    EXPECT_EQ(SweepWindow::csvFileName("table.csv"), "table.csv");
    EXPECT_EQ(SweepWindow::csvFileName("table.txt"), "table.txt");
}

TEST_F(WorkbenchFrameTest, TheSweepWindowOpensNoLargerThanTheScreenLeavesRoomFor) {
    const SweepWindow sweep("small screen", SweepOutcome{});
    const QSize room = sweep.screen()->availableGeometry().size();
    EXPECT_LE(sweep.width(), room.width());
    EXPECT_LE(sweep.height() + 30, room.height()) << "with a caption above it";
}

TEST_F(WorkbenchFrameTest, ExportWritesTheNameWithTheExtensionAdded) {
    SweepWindow window("empty", SweepOutcome{});
    window.showMessage = [this](const QString& text) { messages << text; };
    window.askCsvName = [this] { return QString::fromStdString(dir.file("table")); };
    window.exportCsv();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("table.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("table")));
}

}  // namespace
}  // namespace brenlow::testing

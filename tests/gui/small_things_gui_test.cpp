#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/shell/window_menu.h"
#include "app/shell/workbench_settings.h"
#include "app/windows/compare_window.h"
#include "app/windows/dataset_window.h"
#include "app/windows/export_names.h"
#include "app/windows/sweep_window.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

class SmallThingsGuiTest : public WorkbenchTest {
protected:
    // An .avc of the sample as the AVC command writes it, then cut to `keep` bytes; its path.
    std::string cutAvc(std::uintmax_t keep) {
        const std::string path = openCopy(samplePath("astronaut.bmp"));
        form->AJC1->trigger();
        form->CloseAllDocuments();
        const std::string avc = path.substr(0, path.size() - 4) + ".avc";
        EXPECT_GT(fs::file_size(avc), keep);
        fs::resize_file(avc, keep);
        return avc;
    }
};

TEST_F(SmallThingsGuiTest, OpenTakesSeveralFilesAtOnceAndRemembersEach) {
    const std::string first = dir.file("first.bmp");
    const std::string second = dir.file("second.bmp");
    saveBitmapFile(patternBitmap(6, 4), first);
    saveBitmapFile(patternBitmap(4, 6), second);
    form->askFilesToOpen = [&](const QString&) { return QStringList{QString::fromStdString(first), QString::fromStdString(second)}; };
    form->FileOpen1->trigger();
    ASSERT_EQ(documentCount(), 2);
    EXPECT_EQ(form->documents()[0]->caption().toStdString(), first);
    EXPECT_EQ(form->documents()[1]->caption().toStdString(), second);
    EXPECT_EQ(recentFiles().mid(0, 2), QStringList({QString::fromStdString(second), QString::fromStdString(first)}));

    form->askFilesToOpen = [](const QString&) { return QStringList{}; };
    form->FileOpen1->trigger();
    EXPECT_EQ(documentCount(), 2) << "a cancelled dialog opens nothing";
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// The open dialog starts beside the active document, else in the folder it last took a file from;
// the codec description dialog keeps a folder of its own, which never moves the open dialog's.
TEST_F(SmallThingsGuiTest, EachFileDialogStartsInItsOwnFolderAndPicturesBesideTheActiveDocument) {
    for (const char* folder : {"a", "b", "c"}) fs::create_directory(dir.path() / folder);
    const std::string inA = dir.file("a/one.bmp");
    const std::string inB = dir.file("b/two.bmp");
    saveBitmapFile(patternBitmap(6, 4), inA);
    saveBitmapFile(patternBitmap(4, 6), inB);
    const auto folderOf = [](const std::string& file) { return QFileInfo(QString::fromStdString(file)).absolutePath(); };
    QStringList starts;
    const auto openFrom = [&](const std::string& file) {
        form->askFilesToOpen = [&starts, file](const QString& start) {
            starts << start;
            return QStringList{QString::fromStdString(file)};
        };
        form->FileOpen1->trigger();
    };
    openFrom(inA);
    openFrom(inB);
    form->ClientArea->setActiveSubWindow(form->documents().first());
    openFrom(inB);
    ASSERT_EQ(starts.size(), 3);
    EXPECT_EQ(starts[1], folderOf(inA)) << "beside the active document";
    EXPECT_EQ(starts[2], folderOf(inA)) << "beside the document made active";

    QStringList codecStarts;
    const std::string description = dir.file("c/codec.json");
    std::ofstream(description) << "not a description";
    form->askCodecFiles = [&](const QString& start) {
        codecStarts << start;
        return QStringList{QString::fromStdString(description)};
    };
    form->LoadCodecDescriptions1->trigger();
    form->LoadCodecDescriptions1->trigger();
    ASSERT_EQ(codecStarts.size(), 2);
    EXPECT_EQ(codecStarts[1], folderOf(description));

    form->CloseAllDocuments();
    settleClosedWindows();
    openFrom(inA);
    ASSERT_EQ(starts.size(), 4);
    EXPECT_EQ(starts[3], folderOf(inB)) << "with no document, where the open dialog last took a file";
}

// A window must be the active one for its keys to reach it.
void activate(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST_F(SmallThingsGuiTest, CtrlWAndCtrlF4CloseTheActiveDocumentAsFileCloseDoes) {
    for (const char* name : {"one.bmp", "two.bmp"}) openPicture(patternBitmap(6, 4), name);
    ASSERT_EQ(documentCount(), 2);
    activate(*form);
    ASSERT_TRUE(form->FileClose1->isEnabled());
    // From a toolbar field too, where a document window's own keys do not reach.
    form->Edit2->setFocus();
    QTest::keyClick(form->Edit2, Qt::Key_W, Qt::ControlModifier);
    settleClosedWindows();
    EXPECT_EQ(documentCount(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::ControlModifier);
    settleClosedWindows();
    EXPECT_EQ(documentCount(), 0);
}

TEST_F(SmallThingsGuiTest, EscAndCtrlWCloseACompareWindow) {
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::CTRL | Qt::Key_W)}) {
        const QImage picture = patternBitmap(8, 8);
        QPointer<CompareWindow> compare = new CompareWindow("a", picture, "b", picture);
        activate(*compare);
        QTest::keyClick(compare.data(), key.key(), key.keyboardModifiers());
        settleClosedWindows();
        EXPECT_TRUE(compare.isNull()) << QKeySequence(key).toString().toStdString();
        delete compare.data();
    }
}

TEST(WindowMenuTextTest, OnlyTheFirstNineEntriesTakeTheirDigitAsAMnemonic) {
    EXPECT_EQ(numberedMenuText(9, "picture.bmp"), "&9 picture.bmp");
    EXPECT_EQ(numberedMenuText(10, "a.bmp"), "10 a.bmp");
    EXPECT_EQ(numberedMenuText(12, "b.bmp"), "12 b.bmp");
}

// The tips give the values as the commands read the fields, not the raw text.
TEST_F(SmallThingsGuiTest, ToolbarFieldTipsGiveTheValueTheCommandsWillUse) {
    EXPECT_TRUE(form->Edit2->toolTip().contains("0-100"));
    EXPECT_TRUE(form->Edit2->toolTip().contains("0-99 here")) << "the field takes two characters";
    for (const auto& [code, divisor] : {std::pair{"0", "2.5"}, std::pair{"3", "3.5"}}) {
        form->Edit3->setText(code);
        EXPECT_TRUE(form->Edit3->toolTip().contains(QStringLiteral("divided by %1 ").arg(divisor)))
            << form->Edit3->toolTip().toStdString();
    }
    form->Edit5->setText("-3");
    EXPECT_TRUE(form->Edit5->toolTip().startsWith("Focus: 1 sharpening passes"));
}

TEST_F(SmallThingsGuiTest, AnEmptyOrCutAvcSaysSoAndNamesTheFile) {
    const std::string empty = dir.file("empty.avc");
    std::ofstream(empty).close();
    openThroughDialog(empty);
    const std::string cut = cutAvc(40);
    openThroughDialog(cut);
    const QString named = "\n\"%1\"";
    EXPECT_EQ(messages, QStringList({"The file is empty: it holds no coded picture." +
                                         named.arg(QString::fromStdString(empty)),
                                     "The file is cut short: it ends after 40 bytes, inside its 42-byte header." +
                                         named.arg(QString::fromStdString(cut))}));
    EXPECT_EQ(documentCount(), 0);
    EXPECT_FALSE(fs::exists(dir.file("empty~.bmp"))) << "nothing is written for a file that holds no picture";
}

TEST_F(SmallThingsGuiTest, ExportDialogsOfferANameMadeFromThePictureOrTheDataSet) {
    EXPECT_EQ(pictureExportName("/p/astronaut.bmp", "-sweep.csv"), "/p/astronaut-sweep.csv");
    EXPECT_EQ(QDir::fromNativeSeparators(dataSetExportName("/d/kodak/", ".json")), "/d/kodak/kodak.json");
    const SweepWindow sweep(QString::fromStdString(dir.file("crop.bmp")), SweepOutcome{});
    EXPECT_EQ(sweep.suggestedCsvName().toStdString(), dir.file("crop-sweep.csv"));

    const QString folder = QString::fromStdString(dir.file("kodak"));
    DataSetWindow dataSet(folder, DataSetOutcome{}, "jpeg");
    QStringList offered;
    dataSet.askSaveName = [&](const QString&, const QString&) {
        offered << QDir::fromNativeSeparators(dataSet.suggestedName());
        return QString();
    };
    dataSet.exportCsv();
    dataSet.exportAggregateCsv();
    dataSet.exportJson();
    const QString start = QDir::fromNativeSeparators(folder) + "/kodak";
    EXPECT_EQ(offered, QStringList({start + "-points.csv", start + "-aggregate.csv", start + ".json"}));
}

}  // namespace
}  // namespace brenlow::testing

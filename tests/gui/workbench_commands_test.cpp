#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QScrollArea>
#include <QUrl>
#include <filesystem>

#include "codecs/still_codecs.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kIntegrityLost = "AJC read error, file integrity lost";

// What brenlow-cli prints on stdout for these arguments, run in `folder`.
std::string cliOutput(const QStringList& arguments, const fs::path& folder) {
#ifdef BRENLOW_CLI_PATH
    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(folder.string()));
    cli.start(QStringLiteral(BRENLOW_CLI_PATH), arguments);
    EXPECT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    return QString::fromUtf8(cli.readAllStandardOutput()).trimmed().toStdString();
#else
    (void)arguments;
    (void)folder;
    return {};
#endif
}

class WorkbenchCommandsTest : public WorkbenchTest {
protected:
    // The sample picture in the work folder, opened as the only document.
    std::string openSample() { return openCopy(samplePath("astronaut.bmp")); }

    // The same file run through the core and the command-line tool in a folder of their own must
    // report what the workbench put in Edit6.
    void expectReportLikeCli(const QStringList& cliOptions, const std::string& reportFromCore) {
        const std::string line = form->Edit6->text().toStdString();
        EXPECT_EQ(line, reportFromCore);
#ifdef BRENLOW_CLI_PATH
        TempDir other;
        copyInto(samplePath("astronaut.bmp"), other);
        EXPECT_EQ(line, cliOutput(cliOptions + QStringList{"astronaut.bmp"}, other.path()));
#else
        (void)cliOptions;
#endif
    }

    // Runs a still command on the sample: a second window shows the decoded picture under
    // base~.bmp and the figures name the sample and the coded file. Returns base.
    std::string runOnSample(QAction* command, const std::string& codedExtension) {
        const std::string path = openSample();
        command->trigger();
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        EXPECT_EQ(documentCount(), 2);
        const std::string base = path.substr(0, path.size() - 4);
        EXPECT_EQ(lastDocument()->caption().toStdString(), base + "~.bmp");
        EXPECT_EQ(lastDocument()->bitmap().size(), QSize(512, 512));
        EXPECT_EQ(lastDocument()->widget()->size(), QSize(512, 512));
        EXPECT_EQ(form->OriginalSize, fileSizeOf(path));
        EXPECT_EQ(form->CodedSize, fileSizeOf(base + codedExtension));
        return base;
    }

    static StillRunResult coreRunOnOtherCopy(const std::function<StillRunResult(const DocumentView&)>& run) {
        TempDir other;
        const std::string path = copyInto(samplePath("astronaut.bmp"), other);
        const QImage bitmap = loadBitmapFile(path);
        return run(DocumentView{path, &bitmap, nullptr});
    }
};

TEST_F(WorkbenchCommandsTest, OpeningABitmapShowsItInAWindowSizedToThePicture) {
    const std::string path = openSample();
    ASSERT_EQ(documentCount(), 1);
    const TMDIChild* document = lastDocument();
    EXPECT_EQ(document->windowTitle().toStdString(), path);
    EXPECT_EQ(document->bitmap().size(), QSize(512, 512));
    EXPECT_EQ(document->bitmap().format(), QImage::Format_BGR888);
    ASSERT_TRUE(document->Planes.has_value());
    EXPECT_EQ(document->Planes->width(), 512);
    EXPECT_EQ(document->Planes->height(), 512);
    EXPECT_EQ(document->Image1->size(), QSize(512, 512));
    EXPECT_EQ(document->widget()->size(), QSize(512, 512)) << "client area is exactly the picture";
    EXPECT_EQ(form->activeDocument(), document);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WorkbenchCommandsTest, PictureLargerThanTheWorkAreaScrolls) {
    form->resize(400, 300);
    openPicture(patternBitmap(900, 700), "large.bmp");
    form->ViewActualSize1->trigger();  // it opens fitted
    const TMDIChild* document = lastDocument();
    EXPECT_EQ(document->Image1->size(), QSize(900, 700));
    EXPECT_LT(document->widget()->width(), 900);
    const auto* scroller = qobject_cast<const QScrollArea*>(document->widget());
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(scroller->widget(), document->Image1);
}

TEST_F(WorkbenchCommandsTest, AvcCommandShowsTheDecodedPictureAndReportsLikeTheCommandLine) {
    form->Edit2->setText("50");
    form->Edit5->setText("0");  // read-only for the user, but still the parameter the command reads
    const std::string base = runOnSample(form->AJC1, ".avc");
    const TMDIChild* decoded = lastDocument();
    ASSERT_TRUE(decoded->Planes.has_value());
    EXPECT_EQ(decoded->Planes->width(), 512);
    EXPECT_EQ(loadBitmapFile(base + "~.bmp"), decoded->bitmap());
    EXPECT_FLOAT_EQ(form->CompressionRatio, static_cast<float>(static_cast<double>(form->OriginalSize) / form->CodedSize));
    EXPECT_NE(form->Edit6->text().indexOf("SNR_R="), -1);
    const StillRunResult core = coreRunOnOtherCopy([](const DocumentView& view) {
        return encodeAvcStill(view, StillParameters{.quality = 50, .divisor = 2.5f, .passes = 0});
    });
    expectReportLikeCli({"avc", "-q", "50", "--focus", "0"}, core.reportLine);
}

TEST_F(WorkbenchCommandsTest, AjcCommandShowsTheDecodedPictureAndReportsLikeTheCommandLine) {
    runOnSample(form->AJC2, ".ajc");
    EXPECT_TRUE(lastDocument()->Planes.has_value());
    const StillRunResult core = coreRunOnOtherCopy([](const DocumentView& view) { return encodeAjcStill(view, {}); });
    expectReportLikeCli({"ajc"}, core.reportLine);
}

TEST_F(WorkbenchCommandsTest, JpegCommandShowsTheDecodedPictureWithoutPlanesAndReportsLikeTheCommandLine) {
    runOnSample(form->JPEG1, ".jpg");
    EXPECT_FALSE(lastDocument()->Planes.has_value());
    const StillRunResult core = coreRunOnOtherCopy([](const DocumentView& view) { return runJpegExperiment(view, 80); });
    expectReportLikeCli({"jpeg"}, core.reportLine);
}

TEST_F(WorkbenchCommandsTest, OutOfRangeQualityIsResetToEighty) {
    openSample();
    TMDIChild* source = lastDocument();
    for (QAction* command : {form->AJC1, form->AJC2, form->JPEG1}) {
        SCOPED_TRACE(command->text().toStdString());
        form->ClientArea->setActiveSubWindow(source);
        form->Edit2->setText("-5");
        command->trigger();
        EXPECT_EQ(form->Edit2->text(), "80");
        EXPECT_TRUE(messages.isEmpty());
    }
}

TEST_F(WorkbenchCommandsTest, CompressCommandsWithoutADocumentDoNothing) {
    form->Edit6->setText("previous");
    form->Edit2->setText("-5");
    for (QAction* command : {form->AJC1, form->AJC2, form->JPEG1, form->test1, form->zoomOut1, form->Test2,
                             form->FileSave1}) {
        command->trigger();
    }
    EXPECT_EQ(documentCount(), 0);
    EXPECT_EQ(form->Edit6->text(), "previous");
    EXPECT_EQ(form->Edit2->text(), "-5");
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WorkbenchCommandsTest, SaveWritesTheDocumentsBitmapToItsCaption) {
    QImage checkerboard(9, 7, QImage::Format_BGR888);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) checkerboard.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::darkBlue);
    const std::string path = openPicture(checkerboard, "saved.bmp");
    form->Test2->trigger();  // sharpening makes the document differ from its file
    const QImage shown = lastDocument()->bitmap();
    ASSERT_NE(loadBitmapFile(path), shown);
    form->FileSave1->trigger();
    EXPECT_EQ(loadBitmapFile(path), shown);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WorkbenchCommandsTest, SaveOfAJpegDocumentWritesABitmapBesideIt) {
    openSample();
    form->JPEG1->trigger();
    const std::string jpeg = dir.file("astronaut.jpg");
    const std::string jpegBytes = fileBytes(jpeg);
    openThroughDialog(jpeg);
    ASSERT_EQ(lastDocument()->windowTitle().toStdString(), jpeg);
    form->FileSave1->trigger();
    EXPECT_EQ(fileBytes(jpeg), jpegBytes);
    EXPECT_EQ(loadBitmapFile(dir.file("astronaut~.bmp")), lastDocument()->bitmap());
}

TEST_F(WorkbenchCommandsTest, CorruptedAvcFileShowsTheIntegrityMessageAndKeepsTheOtherWindows) {
    openSample();
    form->AJC1->trigger();
    ASSERT_EQ(documentCount(), 2);
    // A payload shorter than the header's checksum accounts for, as after a broken copy.
    std::string bytes = fileBytes(dir.file("astronaut.avc"));
    bytes.resize(bytes.size() - 100);
    const std::string corrupted = dir.file("corrupted.avc");
    writeFileAtomically(corrupted, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));

    openThroughDialog(corrupted);
    EXPECT_EQ(messages, QStringList({QString(kIntegrityLost) + "\n\"" + QString::fromStdString(corrupted) + "\""}));
    EXPECT_EQ(documentCount(), 2);
    EXPECT_FALSE(fs::exists(dir.file("corrupted~.bmp")));
}

TEST_F(WorkbenchCommandsTest, OpeningANameThatDoesNotExistDoesNothing) {
    for (const char* name : {"missing.bmp", "missing.avc", "missing.ajc", "missing.jpg"}) openThroughDialog(dir.file(name));
    EXPECT_EQ(documentCount(), 0);
    EXPECT_TRUE(messages.isEmpty());
}

// Commands name their files after the document's name less four characters: for photos/img that
// would be ./photos.bmp and ./photos.jpg, another picture's files.
TEST_F(WorkbenchCommandsTest, OpenRefusesANameWhoseFilesWouldLeaveItsFolder) {
    fs::create_directory(dir.path() / "photos");
    saveBitmapFile(patternBitmap(8, 6), dir.file("photos/img"));
    saveBitmapFile(patternBitmap(8, 6), dir.file("photos.bmp"));
    openThroughDialog(dir.file("photos/img"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QString::fromStdString("The file name \"" + dir.file("photos/img") + "\"")))
        << messages[0].toStdString();
    EXPECT_EQ(documentCount(), 0);
}

TEST_F(WorkbenchCommandsTest, SaveOverAReadOnlyFileIsRefusedAndTheFileKept) {
    const std::string path = openPicture(patternBitmap(9, 7), "kept.bmp");
    const std::string before = fileBytes(path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    form->Test2->trigger();
    form->FileSave1->trigger();
    EXPECT_EQ(messages, QStringList({QString::fromStdString("Cannot replace \"" + path + "\": the file is read-only")}));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(documentCount(), 1);
}

TEST_F(WorkbenchCommandsTest, UnreadableBitmapLeavesNoWindowAndSaveWritesNothing) {
    const std::string path = writeUnreadablePicture("broken.bmp");
    const std::string garbage = fileBytes(path);
    openThroughDialog(path);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(path))) << messages[0].toStdString();
    EXPECT_EQ(documentCount(), 0);

    form->FileSave1->trigger();
    form->Test2->trigger();
    EXPECT_EQ(messages.size(), 1) << "no document, nothing to refuse";
    EXPECT_EQ(fileBytes(path), garbage) << "the user's file is not replaced";
}

TEST_F(WorkbenchCommandsTest, NewWithTwoDocumentsOpenTriesNoname3) {
    openPicture(patternBitmap(4, 4), "one.bmp");
    openPicture(patternBitmap(4, 4), "two.bmp");
    form->FileNew1->trigger();
    EXPECT_EQ(documentCount(), 2) << "no NONAME3 yet";

    saveBitmapFile(patternBitmap(6, 5), dir.file("NONAME3"));
    form->FileNew1->trigger();
    ASSERT_EQ(documentCount(), 3);
    EXPECT_EQ(lastDocument()->windowTitle(), "NONAME3");
    EXPECT_EQ(lastDocument()->bitmap().size(), QSize(6, 5));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WorkbenchCommandsTest, CommandsRunUnderTheWaitCursorAndReportFailuresAfterIt) {
    std::optional<Qt::CursorShape> during;
    std::optional<Qt::CursorShape> whileReporting;
    form->showMessage = [&](const QString&) {
        if (const QCursor* cursor = QApplication::overrideCursor()) whileReporting = cursor->shape();
    };
    form->runCommand([&] {
        if (const QCursor* cursor = QApplication::overrideCursor()) during = cursor->shape();
        throw Error("failed");
    });
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_FALSE(whileReporting.has_value());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WorkbenchCommandsTest, CloseFreesTheDocumentWindow) {
    openPicture(patternBitmap(4, 4), "closing.bmp");
    ASSERT_TRUE(form->FileClose1->isEnabled());
    form->FileClose1->trigger();
    settleClosedWindows();
    EXPECT_EQ(documentCount(), 0);
    EXPECT_FALSE(form->FileClose1->isEnabled());
}

TEST_F(WorkbenchCommandsTest, FilesGivenOnTheCommandLineOrDroppedOpenAsDocuments) {
    saveBitmapFile(patternBitmap(4, 4), dir.file("listed.bmp"));
    saveBitmapFile(patternBitmap(5, 4), dir.file("dropped.bmp"));
    form->openDocuments({QString::fromStdString(dir.file("listed.bmp")), QString::fromStdString(dir.file("absent.bmp"))});
    ASSERT_EQ(documentCount(), 1);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("dropped.bmp")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &drop);
    ASSERT_EQ(documentCount(), 2);
    EXPECT_EQ(lastDocument()->bitmap().size(), QSize(5, 4));
    ASSERT_EQ(messages.size(), 1) << "only the missing name is reported";
    EXPECT_TRUE(messages[0].contains("absent.bmp")) << messages[0].toStdString();
}

TEST_F(WorkbenchCommandsTest, SequenceCommandShowsTheProgressBarOnlyWhileItRuns) {
    fs::create_directories(dir.path() / "frames");
    for (int frame = 0; frame <= 2; ++frame)
        saveBitmapFile(patternBitmap(16, 12), (dir.path() / "frames" / ("frame" + std::to_string(frame) + ".bmp")).string());
    form->Edit4->setText("2");
    std::vector<std::pair<int, bool>> seen;
    QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged, form.get(),
                     [&](int value) {
                         if (value > 0) seen.emplace_back(value, form->ProgressBar1->isVisible());
                     });

    form->AVCSequence1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{1, true}, {2, true}, {3, true}}));
    EXPECT_FALSE(form->ProgressBar1->isVisible());
    EXPECT_TRUE(fs::exists(dir.path() / "frames" / "frame2.avc"));

    // Nothing has been placed in the decoded-frame folder: the first frame fails, the bar goes.
    form->AVCBMP1->trigger();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_FALSE(form->ProgressBar1->isVisible());
}

}  // namespace
}  // namespace brenlow::testing

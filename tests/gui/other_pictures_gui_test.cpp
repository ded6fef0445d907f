#include <QLineEdit>
#include <QMdiArea>
#include <QProcess>
#include <filesystem>

#include "gui_fixture.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

using OtherPicturesGuiTest = WorkbenchTest;

// A PNG opens as a document and every Compress command reports what the command-line tool reports
// for the same file; the PNG itself is never written.
TEST_F(OtherPicturesGuiTest, APngDocumentIsCodedByEveryCommandWithTheToolsFigures) {
    const std::string png = dir.file("astronaut.png");
    ASSERT_TRUE(loadBitmapFile(samplePath("astronaut.bmp")).save(QString::fromStdString(png), "PNG"));
    const std::string pngBytes = fileBytes(png);
    openThroughDialog(png);
    ASSERT_EQ(documentCount(), 1);
    TMDIChild* document = lastDocument();
    struct Run {
        QAction* action;
        const char* command;
    };
    for (const Run& run : {Run{form->AJC1, "avc"}, Run{form->AJC2, "ajc"}, Run{form->JPEG1, "jpeg"}}) {
        SCOPED_TRACE(run.command);
        form->ClientArea->setActiveSubWindow(document);
        run.action->trigger();
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
#ifdef BRENLOW_CLI_PATH
        TempDir other;
        copyInto(png, other);
        QProcess cli;
        cli.setWorkingDirectory(QString::fromStdString(other.path().string()));
        cli.start(QStringLiteral(BRENLOW_CLI_PATH), {run.command, "astronaut.png"});
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(form->Edit6->text(), QString::fromUtf8(cli.readAllStandardOutput()).trimmed());
#endif
    }
    EXPECT_EQ(documentCount(), 4);
    EXPECT_EQ(fileBytes(png), pngBytes);
    EXPECT_TRUE(fs::exists(dir.file("astronaut.avc")) && fs::exists(dir.file("astronaut.ajc")) &&
                fs::exists(dir.file("astronaut.jpg")));
}

}  // namespace
}  // namespace brenlow::testing

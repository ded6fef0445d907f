#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <filesystem>
#include <fstream>

#include "app/dialogs/sweep_dialog.h"
#include "app/shell/workbench_settings.h"
#include "app/windows/dataset_window.h"
#include "app/windows/sweep_window.h"
#include "catalogue/codec_registry.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

const QString kCodecFilesKey = QStringLiteral("codecFiles");

// Codec descriptions in the work folder. The registry is the process's and a name belongs to one
// file, so each test's copy of an example gets a name of its own.
class CodecFilesGuiTest : public WorkbenchTest {
protected:
    ~CodecFilesGuiTest() override { openWorkbenchSettings()->remove(kCodecFilesKey); }

    std::string exampleNamed(const std::string& example, const std::string& name) {
        std::string text = fileText(std::string(BRENLOW_EXAMPLE_CODECS_DIR) + "/" + example);
        const std::string field = "\"name\": \"";
        const std::size_t start = text.find(field) + field.size();
        text.replace(start, text.find('"', start) - start, name);
        const std::string path = dir.file(name + ".json");
        std::ofstream(path) << text;
        return path;
    }

    static std::string fileText(const std::string& path) {
        std::ifstream file(path);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    void loadThroughMenu(const QStringList& files) {
        form->askCodecFiles = [files](const QString&) { return files; };
        form->LoadCodecDescriptions1->trigger();
    }

    QAction* codecEntry(const std::string& name) const {
        for (QAction* entry : form->AnchorCodecEntries)
            if (entry->data().toString().toStdString() == name) return entry;
        return nullptr;
    }

    // Runs brenlow-cli in `folder`; its standard output, or the reason it failed.
    static ::testing::AssertionResult cli(const fs::path& folder, const QStringList& arguments, QString& output) {
#ifdef BRENLOW_CLI_PATH
        QProcess cli;
        cli.setWorkingDirectory(QString::fromStdString(folder.string()));
        cli.start(QStringLiteral(BRENLOW_CLI_PATH), arguments);
        if (!cli.waitForFinished(120000) || cli.exitCode() != 0)
            return ::testing::AssertionFailure() << cli.readAllStandardError().toStdString();
        output = QString::fromUtf8(cli.readAllStandardOutput()).trimmed();
        return ::testing::AssertionSuccess();
#else
        (void)folder;
        (void)arguments;
        (void)output;
        return ::testing::AssertionFailure() << "brenlow-cli is not built";
#endif
    }
};

// Loaded through the menu, a description's codec codes the document as `code --codec` does, is
// offered by the sweep dialog and swept beside JPEG, and its result folder shows what coded it.
TEST_F(CodecFilesGuiTest, ALoadedDescriptionCodesAsTheCommandLineDoesSweepsBesideJpegAndNamesItsCommandsInResults) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    if (!onPath("cwebp") || !onPath("dwebp"))
        GTEST_SKIP() << "cwebp and dwebp are not installed (scripts/install-deps.sh)";
    const std::string description = exampleNamed("webp-tools.json", "webp-gui");
    loadThroughMenu({QString::fromStdString(description)});
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(rememberedCodecFiles(), QStringList{QString::fromStdString(description)});
    QAction* entry = codecEntry("webp-gui");
    ASSERT_NE(entry, nullptr) << "listed in Compress > Anchor Codec";
    EXPECT_TRUE(entry->statusTip().contains(QString::fromStdString("commands from " + description)));

    const QImage crop = loadBitmapFile(samplePath("astronaut.bmp")).copy(160, 160, 96, 80);
    saveBitmapFile(crop, dir.file("crop.bmp"));
    openThroughDialog(dir.file("crop.bmp"));
    form->Edit2->setText(QStringLiteral("60"));
    entry->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(lastDocument()->bitmap(), loadBitmapFile(dir.file("crop~.bmp")));
    TempDir other;
    copyInto(dir.file("crop.bmp"), other);
    QString line;
    ASSERT_TRUE(cli(other.path(), {"code", "--codec-file", QString::fromStdString(description), "--codec", "webp-gui",
                                   "-q", "60", "crop.bmp"},
                    line));
    EXPECT_EQ(form->Edit6->text(), line);
    EXPECT_EQ(fileBytes(dir.file("crop.webp")), fileBytes(other.file("crop.webp")));
    EXPECT_EQ(fileBytes(dir.file("crop~.bmp")), fileBytes(other.file("crop~.bmp")));

    bool offered = false;
    form->askSweepChoice = [&](SweepDialog& dialog) {
        offered = dialog.findChild<QComboBox*>("SweepAddCodec")->findData("webp-gui") >= 0;
        dialog.clearCurves();
        EXPECT_TRUE(dialog.addCurve("jpeg"));
        EXPECT_TRUE(dialog.addCurve("webp-gui:method=2"));
        dialog.findChild<QLineEdit*>("SweepQualities")->setText("30,70");
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result() == QDialog::Accepted;
    };
    form->ClientArea->setActiveSubWindow(form->documents().first());
    form->Sweep1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(offered) << "the sweep dialog's codec list offers the codec";
    const QList<SweepWindow*> sweeps = form->findChildren<SweepWindow*>();
    ASSERT_EQ(sweeps.size(), 1);
    const std::vector<SweepPoint>& points = sweeps.first()->outcome().points;
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[2].curve, "webp-gui:method=2");
    EXPECT_EQ(points[2].codec, StillCodec::Command);
    EXPECT_LT(points[2].figures.codedSize, points[3].figures.codedSize) << "more bytes at a higher quality";

    const fs::path lab = dir.path() / "lab";
    fs::create_directories(lab / "set");
    saveBitmapFile(crop, (lab / "set" / "a.bmp").string());
    ASSERT_TRUE(cli(lab, {"sweep", "set", "--codec-file", QString::fromStdString(description), "--codecs",
                          "jpeg,webp-gui", "--qualities", "50", "--out", "kept"},
                    line));
    const QString kept = QString::fromStdString((lab / "kept").string());
    form->askResultFolders = [kept](const QString&) { return QStringList{kept}; };
    form->FileOpenResults1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<DataSetWindow*> windows = form->findChildren<DataSetWindow*>();
    ASSERT_EQ(windows.size(), 1);
    auto* curves = windows.first()->findChild<QTableWidget*>("CurveTable");
    ASSERT_NE(curves, nullptr);
    ASSERT_EQ(curves->rowCount(), 2);
    EXPECT_EQ(curves->item(1, 0)->text(), "webp-gui");
    EXPECT_EQ(curves->item(1, 2)->text(), "method=6");
    EXPECT_EQ(curves->item(1, 4)->text(), QString::fromStdString("commands from " + description));
    EXPECT_EQ(curves->item(0, 4)->text(), QString::fromStdString(codecEntryNamed("jpeg")->library()));
}

// An earlier session's files come back at start; one gone or broken since is named once, in
// plain words, and forgotten, and the workbench starts as usual.
TEST_F(CodecFilesGuiTest, RememberedDescriptionsLoadAtStartAndOnesGoneOrBrokenAreNamedOnceAndForgotten) {
    const std::string kept = exampleNamed("webp-tools.json", "webp-at-start");
    const std::string broken = dir.file("broken.json");
    std::ofstream(broken) << "{\"name\": \"half";
    const std::string gone = dir.file("gone.json");
    openWorkbenchSettings()->setValue(kCodecFilesKey, QStringList{QString::fromStdString(gone),
                                                                  QString::fromStdString(kept),
                                                                  QString::fromStdString(broken)});
    form = std::make_unique<TMainForm>();
    form->showMessage = [this](const QString& text) { messages << text; };
    QApplication::processEvents();

    ASSERT_NE(codecEntry("webp-at-start"), nullptr) << "loaded at start and listed";
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages[0].startsWith("Codec descriptions loaded in an earlier session could not be loaded again"))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(gone) + "\": No such file"));
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(broken)));
    EXPECT_FALSE(messages[0].contains(QString::fromStdString(kept)));
    EXPECT_EQ(openWorkbenchSettings()->value(kCodecFilesKey).toStringList(), QStringList{QString::fromStdString(kept)});

    form = std::make_unique<TMainForm>();
    form->showMessage = [this](const QString& text) { messages << text; };
    QApplication::processEvents();
    EXPECT_EQ(messages.size(), 1) << "named once";
    EXPECT_NE(codecEntry("webp-at-start"), nullptr);
}

}  // namespace
}  // namespace brenlow::testing

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <utility>

#include "anchors/anchor_codec.h"
#include "support/cli_runner.h"
#include "container/coded_image.h"
#include "io/file_io.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

const std::string kPackaging = BRENLOW_PACKAGING_DIR;

struct ToolRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

ToolRun runTool(const std::string& commandLine) {
    ToolRun run;
    FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, read);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool toolMissing(const std::string& tool) { return runTool("command -v " + tool).exitCode != 0; }

std::string packagingFile(const std::string& name) { return fileBytes(kPackaging + "/" + name); }

// The lines of `text` that match `pattern`, each as its first capture.
QStringList captures(const std::string& text, const QString& pattern) {
    QStringList found;
    QRegularExpressionMatchIterator matches =
        QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(QString::fromStdString(text));
    while (matches.hasNext()) found << matches.next().captured(1);
    return found;
}

QStringList helpCommands() {
    const CliRun help = runCli({"--help"}, std::filesystem::temp_directory_path());
    const std::size_t section = help.out.find("Subcommands:");
    return section == std::string::npos ? QStringList()
                                        : captures(help.out.substr(section), QStringLiteral("^  ([a-z][a-z0-9-]*) "));
}

TEST(PackagingFilesTest, DesktopEntryAndMetainfoPassTheirValidators) {
    if (toolMissing("desktop-file-validate") || toolMissing("appstreamcli"))
        GTEST_SKIP() << "desktop-file-validate or appstreamcli missing (desktop-file-utils, appstream)";
    const ToolRun desktop = runTool("desktop-file-validate " + quoted(kPackaging + "/org.example.brenlow.desktop"));
    EXPECT_EQ(desktop.exitCode, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "") << "hints and warnings count too";
    const ToolRun metainfo =
        runTool("appstreamcli validate --no-net --pedantic " + quoted(kPackaging + "/org.example.brenlow.metainfo.xml"));
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.output;
}

TEST(PackagingFilesTest, DesktopEntryAndMetainfoClaimEveryTypeTheMimeFileDefines) {
    const QStringList defined = captures(packagingFile("brenlow-mime.xml"), QStringLiteral("<mime-type type=\"([^\"]+)\""));
    ASSERT_EQ(defined, QStringList({"application/x-brenlow-avc", "application/x-brenlow-ajc"}));
    const std::string desktop = packagingFile("org.example.brenlow.desktop");
    const QStringList opened = captures(desktop, QStringLiteral("^MimeType=(.*)$")).value(0).split(';');
    const QStringList provided =
        captures(packagingFile("org.example.brenlow.metainfo.xml"), QStringLiteral("<mediatype>([^<]+)</mediatype>"));
    for (const QString& type : defined) {
        EXPECT_TRUE(opened.contains(type)) << type.toStdString();
        EXPECT_TRUE(provided.contains(type)) << type.toStdString();
    }
    // The workbench opens every file named on its command line.
    EXPECT_EQ(captures(desktop, QStringLiteral("^Exec=(.*)$")), QStringList({"brenlow %F"}));
}

// QMimeDatabase reads shared-mime-info packages as the desktop does, so it shows what a file
// manager will make of the file; it must see only our package and its own built-in types.
TEST(PackagingFilesTest, MimeFileRecognisesCodedPicturesByContentAndByName) {
    TempDir data;
    std::filesystem::create_directories(data.path() / "mime" / "packages");
    std::filesystem::copy_file(kPackaging + "/brenlow-mime.xml", data.path() / "mime" / "packages" / "brenlow.xml");
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(data.path().string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.file("home")));

    const Bytes jpeg{0xFF, 0xD8, 0xFF, 0xD9};
    writeCodedImage(data.file("still.bin"), CodedImageKind::AvcStill, 2, 2, jpeg);
    writeCodedImage(data.file("frame.bin"), CodedImageKind::SequenceFrame, 2, 7, jpeg);
    writeCodedImage(data.file("full.bin"), CodedImageKind::AjcStill, 2, 0, jpeg);
    writeFileAtomically(data.file("unwritten.ajc"), Bytes{0, 1, 2, 3});

    const QMimeDatabase database;
    const auto byContent = [&](const std::string& name) {
        return database.mimeTypeForFile(QString::fromStdString(data.file(name)), QMimeDatabase::MatchContent).name();
    };
    EXPECT_EQ(byContent("still.bin"), "application/x-brenlow-avc");
    EXPECT_EQ(byContent("frame.bin"), "application/x-brenlow-avc");
    EXPECT_EQ(byContent("full.bin"), "application/x-brenlow-ajc");
    EXPECT_EQ(database.mimeTypeForFile(QString::fromStdString(data.file("unwritten.ajc"))).name(),
              "application/x-brenlow-ajc");
    EXPECT_EQ(database.mimeTypeForFile(QStringLiteral("x.avc"), QMimeDatabase::MatchExtension).name(),
              "application/x-brenlow-avc");
}

TEST(PackagingFilesTest, EachIconPictureHasTheSizeOfItsFolder) {
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const QImage icon(QString::fromStdString(kPackaging + "/icons/" + folder + "/brenlow.png"));
        EXPECT_EQ(icon.size(), QSize(size, size)) << folder;
        EXPECT_TRUE(icon.hasAlphaChannel()) << folder;
    }
}

TEST(PackagingFilesTest, ManualPageDescribesEveryCommandTheHelpLists) {
    const QStringList commands = helpCommands();
    ASSERT_GE(commands.size(), 9) << "the help's command list was not found";
    const QStringList described = captures(packagingFile("man/brenlow-cli.1"), QStringLiteral("^\\.SS \"?([a-z0-9-]+)"));
    for (const QString& command : commands) EXPECT_TRUE(described.contains(command)) << command.toStdString();
}

// The manual page is written by hand: what it says of the slower measures and of the qualities must be
// what the program's tables give, as its help and `codecs --json` show them.
TEST(PackagingFilesTest, ManualPageNamesEverySlowerMeasureAndEachCodecsQualityRange) {
    const std::string manual = packagingFile("man/brenlow-cli.1");
    const auto paragraph = [&](const std::string& head) {
        const std::size_t start = manual.find(head);
        return start == std::string::npos ? std::string() : manual.substr(start, manual.find("\n.TP", start) - start);
    };
    const std::string measures = paragraph(".BI \\-\\-measures \" LIST\"");
    const CliRun help = runCli({"sweep", "--help"}, std::filesystem::temp_directory_path());
    std::smatch listed;
    ASSERT_TRUE(std::regex_search(help.out, listed, std::regex("--measures .*a list of ([a-z0-9_, ]+), or none")))
        << help.out;
    const QStringList names = QString::fromStdString(listed[1]).split(", ");
    EXPECT_TRUE(names.contains("ssimulacra2"));
    for (const QString& name : names)
        EXPECT_TRUE(std::regex_search(measures, std::regex("\\b" + name.toStdString() + "\\b"))) << name.toStdString();

    const std::string qualities = paragraph(".BI \\-\\-qualities \" Q\"");
    const CliRun codecs = runCli({"codecs", "--json"}, std::filesystem::temp_directory_path());
    const QJsonArray entries = QJsonDocument::fromJson(QByteArray::fromStdString(codecs.out)).object()["codecs"].toArray();
    ASSERT_GE(entries.size(), 3);
    for (const QJsonValue& entry : entries) {
        const std::string name = entry["name"].toString().toStdString();
        const std::string range = std::to_string(entry["qualities"]["lowest"].toInt()) + "\\-" +
                                  std::to_string(entry["qualities"]["highest"].toInt()) + " for ";
        const std::size_t start = qualities.find(range);
        ASSERT_NE(start, std::string::npos) << name << " takes " << range << "\n" << qualities;
        const std::string codecsOfRange = qualities.substr(start, qualities.find(';', start) - start);
        EXPECT_TRUE(std::regex_search(codecsOfRange, std::regex("\\b" + name + "\\b"))) << name << ": " << codecsOfRange;
    }
}

// The completion reads the commands and codecs from the program's help, so a change in the help's
// layout would silently leave it offering nothing.
TEST(PackagingFilesTest, CompletionOffersEveryCommandAndCodec) {
    const auto complete = [](const std::vector<std::string>& words) {
        std::string array;
        for (const std::string& word : words) array.append(" ").append(quoted(word));
        const std::string script = "source " + quoted(kPackaging + "/brenlow-cli.bash-completion") +
                                   "; COMP_WORDS=(" + quoted(BRENLOW_CLI_PATH) + array + "); COMP_CWORD=" +
                                   std::to_string(words.size()) + "; _brenlow_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
        const ToolRun run = runTool("bash -c " + quoted(script));
        EXPECT_EQ(run.exitCode, 0) << run.output;
        return QString::fromStdString(run.output).split('\n', Qt::SkipEmptyParts);
    };
    EXPECT_EQ(complete({""}), helpCommands());

    QStringList codecs{"jpeg", "avc", "ajc"};
    for (const AnchorCodec* codec : anchorCodecs()) codecs << QString::fromStdString(codec->name());
    EXPECT_EQ(complete({"code", "--codec", ""}), codecs);
    QStringList secondItems;
    for (const QString& codec : codecs)
        if (codec.startsWith('a')) secondItems << "jpeg," + codec;
    EXPECT_EQ(complete({"sweep", "--codecs", "jpeg,a"}), secondItems);
    EXPECT_TRUE(complete({"sweep", "--"}).contains("--qualities"));
    // report --measures names the measures a figure draws, sweep --measures the slower ones to take.
    EXPECT_EQ(complete({"report", "--measures", "psnr,ms"}), (QStringList{"psnr,ms_ssim_y", "psnr,ms_ssim_y_db"}));
    EXPECT_EQ(complete({"sweep", "--measures", "ms"}), QStringList{"ms_ssim"});
    EXPECT_EQ(complete({"report", "--spread", ""}), (QStringList{"none", "sd", "ci95"}));
    // Codecs described by commands, once their file is on the line.
    const std::string described = kPackaging + "/../examples/codecs/webp-tools.json";
    EXPECT_EQ(complete({"sweep", "--codec-file", described, "--codecs", "jpeg,webp-"}), QStringList{"jpeg,webp-m6"});
    EXPECT_EQ(complete({"code", "--codec", "webp-"}), QStringList{});
}

// The package as `cpack` makes it from this build: the Python module in the folder Debian's python3
// searches, the Python it was built for and numpy among the dependencies, and no path into the build
// folder left in what it installs. cpack on the build folder would first build every target of it, the
// whole suite here; so the build's own install rules lay the files out, stripped as the package strips
// them, and cpack packs that folder with the package's settings.
class DebianPackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (toolMissing("dpkg-deb") || toolMissing("dpkg-shlibdeps") || toolMissing("readelf")) return;
        folder_ = new TempDir;
        const std::string staged = folder_->file("staged");
        made_ = runTool("DESTDIR=" + quoted(staged) + " " BRENLOW_CMAKE " --install " + quoted(BRENLOW_BINARY_DIR) +
                        " --prefix /usr --strip");
        if (made_.exitCode != 0) return;
        const std::string config = std::string(BRENLOW_BINARY_DIR) + "/CPackConfig.cmake";
        made_ = runTool(BRENLOW_CPACK " -G DEB --config " + quoted(config) + " -D CPACK_INSTALL_CMAKE_PROJECTS= -D " +
                        quoted("CPACK_INSTALLED_DIRECTORIES=" + staged + ";.") +
                        " -B " + quoted(folder_->file("package")));
        for (const auto& entry : std::filesystem::directory_iterator(folder_->file("package")))
            if (entry.path().extension() == ".deb") package_ = entry.path().string();
        if (!package_.empty())
            runTool("dpkg-deb -x " + quoted(std::as_const(package_)) + " " + quoted(folder_->file("root")));
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override {
        if (folder_ == nullptr) GTEST_SKIP() << "dpkg-deb, dpkg-shlibdeps or readelf missing (dpkg-dev, binutils)";
        ASSERT_FALSE(package_.empty()) << "no package made:\n" << made_.output;
    }
    static std::string field(const std::string& name) {
        return runTool("dpkg-deb -f " + quoted(std::as_const(package_)) + " " + name).output;
    }
    static std::filesystem::path installed(const std::string& path) { return folder_->path() / "root" / path; }

    static inline TempDir* folder_ = nullptr;
    static inline ToolRun made_;
    static inline std::string package_;
};

const std::string kModuleFolder = "usr/lib/python3/dist-packages/brenlow";

std::vector<std::filesystem::path> installedExtensions(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    if (!std::filesystem::is_directory(folder)) return found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".so") found.push_back(entry.path());
    return found;
}

TEST_F(DebianPackageTest, InstallsThePythonModuleWhereDebiansPythonLooks) {
    if (!BRENLOW_WITH_PYTHON) GTEST_SKIP() << "built without the Python module";
    const std::filesystem::path module = installed(kModuleFolder);
    for (const auto& source : std::filesystem::directory_iterator(kPackaging + "/../python/brenlow"))
        if (source.path().extension() == ".py") {
            const std::filesystem::path name = source.path().filename();
            EXPECT_TRUE(std::filesystem::is_regular_file(module / name)) << name;
        }
    const std::vector<std::filesystem::path> extensions = installedExtensions(module);
    ASSERT_EQ(extensions.size(), 1U) << "the extension brenlow._core in " << module;
    EXPECT_EQ(extensions[0].filename().string().rfind("_core.cpython-" BRENLOW_PYTHON_TAG "-", 0), 0U) << extensions[0];

    // Imported from the unpacked package alone, against the system's libraries.
    const ToolRun imported =
        runTool("env -u PYTHONHOME PYTHONPATH=" + quoted(module.parent_path().string()) +
                " /usr/bin/python3 -c 'import brenlow; print(brenlow.__file__, brenlow.__version__)'");
    EXPECT_EQ(imported.exitCode, 0) << imported.output;
    EXPECT_EQ(imported.output, (module / "__init__.py").string() + " " BRENLOW_VERSION "\n");
}

TEST_F(DebianPackageTest, DependsOnThePythonTheModuleWasBuiltForAndOnNumpy) {
    if (!BRENLOW_WITH_PYTHON) GTEST_SKIP() << "built without the Python module";
    const std::string depends = field("Depends");
    for (const char* needed : {"python3-numpy", "python3 (>= " BRENLOW_PYTHON_VERSION ")", "qt6-image-formats-plugins"})
        EXPECT_NE(depends.find(needed), std::string::npos) << needed << " in " << depends;
    EXPECT_TRUE(std::regex_search(depends, std::regex("python3 \\(<< 3\\.[0-9]+\\)"))) << depends;
    // The tables and figures of results are optional: suggested, never required.
    const std::string suggests = field("Suggests");
    for (const char* optional : {"python3-pandas", "python3-matplotlib"}) {
        EXPECT_NE(suggests.find(optional), std::string::npos) << optional << " in " << suggests;
        EXPECT_EQ(depends.find(optional), std::string::npos) << optional << " in " << depends;
    }
}

TEST_F(DebianPackageTest, InstalledProgramsAndModuleNameNoFolderOfTheBuild) {
    std::vector<std::filesystem::path> binaries{installed("usr/bin/brenlow-cli")};
    for (const auto& extension : installedExtensions(installed(kModuleFolder))) binaries.push_back(extension);
    if (BRENLOW_WITH_PYTHON) {
        ASSERT_EQ(binaries.size(), 2U) << "the extension brenlow._core is not in the package";
    }
    for (const auto& binary : binaries) {
        ASSERT_TRUE(std::filesystem::is_regular_file(binary)) << binary;
        const ToolRun dynamic = runTool("readelf -d " + quoted(binary.string()));
        ASSERT_EQ(dynamic.exitCode, 0) << dynamic.output;
        EXPECT_EQ(dynamic.output.find("RPATH"), std::string::npos) << binary << "\n" << dynamic.output;
        EXPECT_EQ(dynamic.output.find("RUNPATH"), std::string::npos) << binary << "\n" << dynamic.output;
        EXPECT_EQ(fileBytes(binary.string()).find(BRENLOW_BINARY_DIR), std::string::npos) << binary;
    }
}

TEST(VersionTest, VersionNamesTheProgramTheCommitAndEveryLibrary) {
    const CliRun version = runCli({"--version"}, std::filesystem::temp_directory_path());
    ASSERT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(runCli({"-V"}, std::filesystem::temp_directory_path()).out, version.out);

    std::istringstream lines(version.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "brenlow-cli " BRENLOW_VERSION);
    std::getline(lines, line);
    EXPECT_TRUE(std::regex_match(line, std::regex("commit (unknown|[0-9A-Za-z._-]+)"))) << line;
    std::getline(lines, line);
    EXPECT_TRUE(std::regex_match(line, std::regex("Qt 6\\.[0-9]+\\.[0-9]+"))) << line;
    std::getline(lines, line);
    EXPECT_TRUE(std::regex_match(line, std::regex("libjpeg [0-9]+.*"))) << line;
    for (const AnchorCodec* codec : anchorCodecs()) {
        std::getline(lines, line);
        EXPECT_EQ(line, codec->libraryVersion());
    }
    EXPECT_FALSE(std::getline(lines, line)) << "nothing after the libraries: " << line;
}

}  // namespace
}  // namespace brenlow::testing

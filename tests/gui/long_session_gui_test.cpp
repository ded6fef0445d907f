#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

// What each open descriptor refers to; Qt closes a few of its own lazily, so only new ones count.
std::multiset<std::string> openDescriptors() {
    std::multiset<std::string> targets;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code gone;  // the iterator's own descriptor is closed by the time it is read
        targets.insert(fs::read_symlink(entry.path(), gone).string());
    }
    return targets;
}

std::vector<std::string> added(const std::multiset<std::string>& before, const std::multiset<std::string>& after) {
    std::vector<std::string> extra;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(extra));
    return extra;
}

long residentKb() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct SessionState {
    std::multiset<std::string> descriptors;
    long residentKb = 0;
    qsizetype topLevelWidgets = 0;
    qsizetype formObjects = 0;
    qsizetype subWindows = 0;
};

class LongSessionTest : public WorkbenchTest {
protected:
    SessionState state() {
        settleClosedWindows();
        return {openDescriptors(), residentKb(), QApplication::topLevelWidgets().size(),
                form->findChildren<QObject*>().size(), form->ClientArea->subWindowList().size()};
    }

    // Opens the picture, codes it with each codec from its own window, opens the two coded files
    // and closes every window.
    void oneRound(const std::string& picture) {
        openThroughDialog(picture);
        QMdiSubWindow* source = form->ClientArea->activeSubWindow();
        for (QAction* codec : {form->AJC1, form->AJC2, form->JPEG1}) {
            form->ClientArea->setActiveSubWindow(source);
            codec->trigger();
        }
        openThroughDialog(dir.file("pic.avc"));
        openThroughDialog(dir.file("pic.ajc"));
        ASSERT_EQ(documentCount(), 6);
        form->CloseAllDocuments();
    }
};

// Three hundred rounds of open, code with each codec, close: no window, object or file handle is
// left behind and the memory in use settles.
TEST_F(LongSessionTest, ThreeHundredRoundsLeaveNothingBehind) {
    const std::string picture = dir.file("pic.bmp");
    openPicture(patternBitmap(64, 48), "pic.bmp");
    form->CloseAllDocuments();
    for (int round = 0; round < 20; ++round) {
        oneRound(picture);
    }
    const SessionState warm = state();
    for (int round = 0; round < 300; ++round) {
        oneRound(picture);
        ASSERT_FALSE(HasFatalFailure()) << "round " << round;
    }
    const SessionState after = state();

    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(after.subWindows, 0);
    EXPECT_EQ(added(warm.descriptors, after.descriptors), std::vector<std::string>{});
    EXPECT_EQ(after.topLevelWidgets, warm.topLevelWidgets);
    EXPECT_EQ(after.formObjects, warm.formObjects);
    if (!kAddressSanitizer) {
        EXPECT_LT(after.residentKb - warm.residentKb, 8 * 1024) << "from " << warm.residentKb << " kB";
    }
    RecordProperty("resident_kb_after_warm_up", static_cast<int>(warm.residentKb));
    RecordProperty("resident_kb_after_300_rounds", static_cast<int>(after.residentKb));
}

}  // namespace
}  // namespace brenlow::testing

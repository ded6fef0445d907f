#pragma once

#include <string>

namespace brenlow {

// A temporary file's name while it is visible in a folder. Registered before the file is made,
// it is removed by the handlers of SIGINT, SIGTERM and SIGHUP (which then let the signal do what
// it did before), so a stopped command leaves no such file behind. Destroying the object only
// forgets the name: the owner removes or renames the file itself.
class VisibleTemporaryName {
public:
    explicit VisibleTemporaryName(std::string path);
    ~VisibleTemporaryName();
    VisibleTemporaryName(const VisibleTemporaryName&) = delete;
    VisibleTemporaryName& operator=(const VisibleTemporaryName&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int slot_ = -1;  // -1 when every slot was taken: the name is then not removed on a signal
};

// While one exists, SIGINT, SIGTERM and SIGHUP wait: a command putting its outputs in place
// finishes the whole set first, and a program it runs is stopped and its folder removed; when the
// last one goes, the signal does what it does.
class StopSignalsDeferred {
public:
    StopSignalsDeferred();
    ~StopSignalsDeferred();
    StopSignalsDeferred(const StopSignalsDeferred&) = delete;
    StopSignalsDeferred& operator=(const StopSignalsDeferred&) = delete;
};

// Whether a stop signal came while signals were deferred and waits: work that may take long under
// a StopSignalsDeferred (waiting for another program) asks it often and gives up.
bool stopSignalWaiting();

// A short hidden name in `folder` ("." for the current one) that no file has yet, most likely:
// callers create it with O_EXCL and try another when it exists. Short, so that a temporary file
// beside a target whose own name is as long as the file system allows still has a legal name.
std::string freshHiddenName(const std::string& folder);

}  // namespace brenlow

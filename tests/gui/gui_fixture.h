#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "app/shell/main_form.h"
#include "app/shell/mdi_child.h"
#include "support/test_support.h"

namespace brenlow::testing {

// A shown main window working in a fresh folder, with its message boxes collected instead of shown.
class WorkbenchTest : public ::testing::Test {
protected:
    WorkbenchTest();
    ~WorkbenchTest() override;

    // Opens a file as File > Open does after the user picked it in the dialog.
    void openThroughDialog(const std::string& path);
    // Copies a file into the work folder and opens it there; returns the copy's path.
    std::string openCopy(const std::string& source, const std::string& name = {});
    // Writes a picture as a bitmap file in the work folder and opens it.
    std::string openPicture(const QImage& picture, const std::string& name);

    // Writes a file of text under this name in the work folder: no reader takes it. Returns its path.
    std::string writeUnreadablePicture(const std::string& name);

    // Turns the event loop until the Measurements panel holds every measure of the runs so far;
    // false when that takes longer than a minute.
    bool waitForMeasures() const;

    // Turns the event loop until the data set run under way has ended and its window, if any, is
    // shown; false when that takes longer than five minutes.
    bool waitForDataSetRun() const;

    TMDIChild* lastDocument() const;
    int documentCount() const;
    // Lets windows closed during the test finish deleting themselves.
    static void settleClosedWindows();

    TempDir dir;
    std::optional<WorkingDirectory> inDir;
    std::unique_ptr<TMainForm> form;
    QStringList messages;
    // The questions asked on exit and before a save, each answered yes.
    QStringList questions;
};

}  // namespace brenlow::testing

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

// The workbench's widgets need one application object for the whole run.
int main(int argc, char** argv) {
    // ctest lists the cases by running this program, display or none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The workbench remembers its layout and recent files: never in the user's own settings, and
    // not shared with other runs.
    const QTemporaryDir settingsDir;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, settingsDir.path());
    // Nor are data sets filed in the user's own results.
    const QTemporaryDir dataDir;
    qputenv("XDG_DATA_HOME", dataDir.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "brenlow/codec.h"
#include "brenlow/studies.h"
#include "codecs/codec_settings.h"
#include "codecs/document.h"
#include "codecs/field_rules.h"
#include "codecs/sequence_codec.h"
#include "codecs/still_codecs.h"

class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;

namespace brenlow {

class CodecSettingsDialog;
class CommandProgress;
class DataSetPictureList;
class DataSetRunner;
class DataSetRunPanel;
struct DataSetProgressOutcome;
class DataSetWindow;
class MeasurementsDock;
class SweepDialog;
struct SweepChoice;
class TAboutBox;
class TMDIChild;

// The workbench's frame: menus, the parameter toolbar, the work area with the document windows,
// the sequence progress bar and the status line. Every command starts from one of its handlers,
// which read the toolbar fields, call the codec core and show what it returns.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Figures of the last still-compression run.
    std::uint64_t OriginalSize = 0;
    std::uint64_t CodedSize = 0;
    float CompressionRatio = 0.0f;

    // How a failed command's message reaches the user: a modal message box with one OK button.
    std::function<void(const QString&)> showMessage;
    // The open dialog, opened on `start` and taking several files at once; an empty list means the
    // user cancelled.
    std::function<QStringList(const QString& start)> askFilesToOpen;
    // Shows the sweep dialog and says whether the user pressed OK on a choice it took.
    std::function<bool(SweepDialog&)> askSweepChoice;
    // The folder dialog of Data Set Sweep, opened on `start`; an empty name means the user cancelled.
    std::function<QString(const QString& start)> askDataSetFolder;
    // Shows the pictures a data set sweep found and says whether the user pressed Start.
    std::function<bool(DataSetPictureList&)> askDataSetPictures;
    // The folder dialog of Open Results, opened on `start`, several folders at once; empty: cancelled.
    std::function<QStringList(const QString& start)> askResultFolders;
    // The open dialog of Load Codec Descriptions, opened on `start`, several files at once; an empty
    // list: cancelled.
    std::function<QStringList(const QString& start)> askCodecFiles;
    // Asked on exit while a data set runs: `question` says what stopping keeps; true to stop it and exit.
    std::function<bool(const QString& question)> askStopDataSet;
    // Asked before Save writes a window's picture over a file that another window's result replaced
    // since; true to save all the same.
    std::function<bool(const QString& question)> askOverwriteResult;
    // Asked on exit while windows hold results saved nowhere; true to exit all the same.
    std::function<bool(const QString& question)> askDiscardResults;
    // How long a command works before the status bar shows that it is still at it.
    std::chrono::milliseconds progressDelay{500};

    QMdiArea* ClientArea = nullptr;
    TAboutBox* AboutBox = nullptr;

    QAction* FileNew1 = nullptr;
    QAction* FileOpen1 = nullptr;
    QAction* FileOpenResults1 = nullptr;  // File > Open Results...
    QAction* FileClose1 = nullptr;
    QAction* FileSave1 = nullptr;
    QAction* FileSaveAs1 = nullptr;
    QAction* FileExit1 = nullptr;
    QAction* EditCut1 = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* WindowCascade1 = nullptr;
    QAction* WindowTileHorizontal1 = nullptr;
    QAction* WindowTileVertical1 = nullptr;
    QAction* WindowMinimizeAll1 = nullptr;
    QAction* WindowArrangeAll1 = nullptr;
    QAction* HelpAbout1 = nullptr;
    // View: the active document's zoom; the bitmap is never changed.
    QAction* ViewFit1 = nullptr;
    QAction* ViewActualSize1 = nullptr;
    QAction* ViewScreenPixels1 = nullptr;
    QAction* ViewZoomIn1 = nullptr;
    QAction* ViewZoomOut1 = nullptr;

    QMenu* File1 = nullptr;
    QMenu* Edit1 = nullptr;
    QMenu* View1 = nullptr;
    QMenu* Compress1 = nullptr;
    QMenu* Window1 = nullptr;
    QMenu* Research1 = nullptr;
    QMenu* Help1 = nullptr;
    // File > Recent Files: the last files opened, most recent first.
    QMenu* RecentFiles1 = nullptr;
    QAction* FileNewItem = nullptr;
    QAction* JPEG1 = nullptr;
    QAction* AJC2 = nullptr;
    QAction* AJC1 = nullptr;
    QAction* AVCSequence1 = nullptr;
    QAction* AVCBMP1 = nullptr;
    QAction* test1 = nullptr;
    QAction* zoomOut1 = nullptr;
    QAction* Test2 = nullptr;
    QAction* Sweep1 = nullptr;
    QAction* DataSetSweep1 = nullptr;
    QAction* Compare1 = nullptr;
    QAction* CompareTwo1 = nullptr;
    // Compress > Anchor Codec: one entry per anchor codec built, in the registry's order,
    // then one per codec described by commands, in the order loaded.
    QMenu* AnchorCodec1 = nullptr;
    QList<QAction*> AnchorCodecEntries;
    QAction* AnchorCodecSettings1 = nullptr;  // Anchor Codec > Settings...
    QAction* LoadCodecDescriptions1 = nullptr;  // Anchor Codec > Load Codec Descriptions...
    // Every measure of the active window's last run.
    MeasurementsDock* Measurements = nullptr;

    QToolBar* ToolBar2 = nullptr;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton8 = nullptr;
    QToolButton* ToolButton10 = nullptr;
    QToolButton* ToolButton11 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;

    QProgressBar* ProgressBar1 = nullptr;
    QLabel* StatusText = nullptr;
    // The active document's zoom, kept in the status bar's right-hand corner.
    QLabel* ZoomText = nullptr;
    // The active picture's width and height, beside its zoom.
    QLabel* PictureSizeText = nullptr;
    CommandProgress* CommandProgress1 = nullptr;
    // The data set run under way, beside the status line, with its Cancel button.
    DataSetRunPanel* DataSetProgress1 = nullptr;

    // File commands.
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void FileExit1Execute();
    void HelpAbout1Execute();
    // Opens a file by name into a new document window, routed by the markers in the name.
    void OpenDocument(const QString& name);
    void DecodeAvcFile(const QString& path);
    void DecodeAjcFile(const QString& path);
    void CloseAllDocuments();

    // Compress commands.
    void JPEG1Click();
    void AJC1Click();
    void ToolButton18Click();
    void AJC2Click();
    void AVCSequence1Click();
    void AVCBMP1Click();
    // Codes the active document with a codec of the Anchor Codec menu at the quality field and its
    // remembered settings, writing what `brenlow-cli code --codec NAME` writes.
    void codeWithListedCodec(const CodecEntry& codec);
    // Asks for codec description files and adds their codecs wherever the workbench lists codecs;
    // the files that load are remembered and loaded again at the next start.
    void LoadCodecDescriptions1Click();
    // Opens the codec settings dialog; returns it so that a caller (a test) can fill and accept it.
    CodecSettingsDialog* AnchorCodecSettingsClick();

    // View tools.
    void test1Click();
    void zoomOut1Click();
    void Test2Click();

    // Research commands: the rate-distortion sweep of the active document and the Compare view
    // of a decoded window with its source.
    void Sweep1Click();
    void Compare1Click();
    // Asks for two open windows of one size, A and B, and compares B with A.
    void CompareTwo1Click();
    // Sweeps every picture of a folder with the codecs and qualities of the sweep dialog and shows
    // the aggregate in a data set window.
    void DataSetSweep1Click();
    // Opens a data set's picture and its point coded again in memory as the sweep coded it, and
    // shows the pair in the Compare view.
    void openDataSetPoint(const std::string& picture, const SweepPoint& point, const CodecCurve& curve);
    // Opens the result folders of `sweep --out` (one run, its shards, or runs to merge) in a data
    // set window; a folder that does not read is named in the message.
    void OpenResults1Click();
    // Whether a data set sweep runs now; the workbench goes on meanwhile, but starts no second one.
    bool dataSetRunning() const;
    // Stops the data set sweep under way once its items under way notice; what is finished is kept.
    void cancelDataSetRun();

    // Runs a command under the wait cursor, with `busyText` in the status line while it works; a
    // failure is shown and the workbench goes on. False when it failed or another command was
    // still running. Meanwhile every entry that starts a command is disabled, drops are refused and
    // no window closes.
    bool runCommand(const std::function<void()>& command, const QString& busyText = {});
    // Opens a file as File > Open does and keeps it among the recent files when it opened.
    void openRecordedDocument(const QString& name);
    // Opens an entry of File > Recent Files; a file gone since is dropped from the list.
    void openRecentFile(const QString& path);
    // Opens each name as File > Open would, one message per failure.
    void openDocuments(const QStringList& names);

    TMDIChild* activeDocument() const;
    QList<TMDIChild*> documents() const;
    // The Sweep, Compare and Data Set windows open now, oldest first.
    QList<QWidget*> sideWindows() const;

    // The open dialog's filter list.
    static QString openDialogFilter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    void createActions();
    void addKeysOfOtherPrograms();
    void createFileActions();
    void createDataSetRunner();
    // Runs `plan` in the background, its progress beside the status line; `folder` is the data set's.
    void startDataSetRun(DataSetPlan plan, const QString& folder);
    void endDataSetRun(DataSetProgressOutcome& progress);
    // On exit: whether the data set run and the results saved nowhere may go, asking the user.
    bool mayExitWithDataSetRun();
    bool mayDiscardResults();
    // Shows a data set in a window of its own whose picture rows open their points; `pictureFile`
    // turns a picture as the data set names it into the file to open; `resultFolders` hold the data set.
    DataSetWindow* showDataSetWindow(const QString& caption, DataSetOutcome outcome, const std::string& anchor,
                                     std::function<std::string(const std::string&)> pictureFile,
                                     std::vector<std::string> resultFolders);
    void createEditActions();
    void createWindowActions();
    void createViewMenu();
    void createMenus();
    void createCompressMenu();
    void createAnchorCodecMenu();
    void fillAnchorCodecMenu();
    // Loads the description files of earlier sessions; one that no longer loads is forgotten and
    // named in one message once the window is up.
    void loadRememberedCodecFiles();
    void describeAnchorEntries();
    void createResearchMenu();
    void createWindowMenu();
    void createToolBar();
    void createParameterFields();
    void describeParameterFields();
    void createProgressBar();
    void createStatusBar();
    void connectCommands();
    void updateMenus();
    void updateCommandActions();
    void showActiveZoom();
    void updateWindowList();
    void updateEditActions();
    void trackEditField(QWidget* now);
    void showBusyState(const QString& busyText);
    void clearBusyState(const QString& busyText);
    void placeOnScreen();
    void restoreLayout();
    void saveLayout() const;
    void fillRecentFilesMenu();
    void saveWithConfirmation();
    // Marks the other windows of `written`'s file: the file now holds `written`'s picture.
    void markWindowsOfReplacedFile(const TMDIChild& written);
    void showReportLine(const QString& line);
    // "Coding astronaut.bmp with AVC..." for the active document, empty without one.
    QString codingText(const QString& codec) const;
    // "Opening astronaut.bmp..."
    static QString openingText(const QString& name);
    QString activeFileName() const;
    // Where the open dialog starts: beside the active document, else where it was left.
    QString pictureDialogStart() const;

    QAction* makeAction(const char* name, const QString& caption, const QString& hint);
    QAction* makeCommandEntry(const char* name, const QString& caption, bool hidden, void (TMainForm::*handler)());
    QToolButton* addToolButton(const char* name, QAction* action);
    QLineEdit* addField(const char* name, const QString& text, int width, bool readOnly);
    QLabel* addBoldLabel(const char* name, const QString& text);

    // Runs a command's core work on a worker thread (see runOnWorkerThread), with CommandProgress1
    // naming the command once it has run for progressDelay. `work` must not touch widgets.
    void runInBackground(const std::function<void()>& work);
    template <typename Work>
    auto inBackground(Work work) -> decltype(work()) {
        std::optional<decltype(work())> result;
        runInBackground([&] { result.emplace(work()); });
        return std::move(*result);
    }

    // The sweep dialog's answer, remembered for the next sweep; nothing when the user cancelled. The
    // dialog names `subject`, what is swept, and says `warning` about it.
    std::optional<SweepChoice> chooseSweep(const QString& subject, const QString& warning = {});

    using StillEncoder = StillRunResult (*)(const DocumentView&, const StillParameters&);
    void runStillEncoder(Command command, StillEncoder encode);
    TMDIChild* addDocument(const QString& caption);
    TMDIChild* showDecodedPicture(DecodedPicture picture);
    TMDIChild* showStillResult(StillRunResult result);
    // Codes in the background, then shows the result and hands the run to the Measurements panel,
    // which measures it on a thread of its own, for itself and the Compare view.
    // The result's title names the codec, `parameters` and an anchor's resolved `settings`.
    void codeAndShow(const TMDIChild& source, const CodecEntry& codec, const StillParameters& parameters,
                     const std::function<StillRunResult()>& code, const CodecSettings& settings = {});
    void runWithProgressBar(std::int32_t lastFrame, const std::function<void(const FrameProgress&)>& work);

    QToolBar* progressPanel_ = nullptr;
    QAction* windowListSeparator_ = nullptr;
    QList<QAction*> windowListEntries_;
    QPointer<QLineEdit> editTarget_;
    bool commandRunning_ = false;
    DataSetRunner* dataSetRunner_ = nullptr;
    QString dataSetRunFolder_;
    QHash<QString, int> dataSetRuns_;  // the data set windows of each folder swept so far
    bool exitWhenDataSetStops_ = false;
    QString busyText_;
};

}  // namespace brenlow

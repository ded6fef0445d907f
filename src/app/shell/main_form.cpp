#include "app/shell/main_form.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QShortcut>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/shell/eliding_status_bar.h"
#include "app/dialogs/dataset_pictures.h"
#include "app/dialogs/result_folders.h"
#include "app/dialogs/sweep_dialog.h"
#include "app/docks/measurements_dock.h"
#include "app/jobs/command_progress.h"
#include "app/jobs/dataset_run_panel.h"
#include "app/jobs/worker_thread.h"
#include "app/shell/about_box.h"
#include "app/shell/action_icons.h"
#include "app/shell/exit_questions.h"
#include "app/shell/field_tips.h"
#include "app/shell/mdi_child.h"
#include "app/shell/palette_follow.h"
#include "app/shell/plain_text.h"
#include "app/shell/status_texts.h"
#include "app/shell/window_arrangement.h"
#include "app/shell/window_menu.h"
#include "app/shell/workbench_settings.h"
#include "io/error.h"

namespace brenlow {

namespace {

constexpr int kFieldHeight = 22;
constexpr int kReportFieldMinimumWidth = 364;
// The longest report line of the sample picture, digit for digit, and the field's frame around it.
const QString kReportLineShape = QStringLiteral(
    "Ratio: 00.000; File size: 00000; Original size: 000000 SNR_R=0000.000; SNR_G=0000.000; SNR_B=000.000;");
constexpr int kReportFieldPadding = 16;
const QString kGeometryKey = QStringLiteral("mainWindow/geometry");
const QString kStateKey = QStringLiteral("mainWindow/state");

// A hint "Open|Open a file" is a tooltip and a status-line text; without a bar both are the same.
void applyHint(QAction* action, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QWidget* gap(const char* name, int width) {
    auto* spacer = new QWidget;
    spacer->setObjectName(QString::fromLatin1(name));
    spacer->setFixedWidth(width);
    return spacer;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Brenlow"));
    setAcceptDrops(true);
    // Document windows and the About box take the application's icon.
    QApplication::setWindowIcon(programIcon());

    ClientArea = new QMdiArea;
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    followPalette(ClientArea, [](QWidget& area) {
        static_cast<QMdiArea&>(area).setBackground(QApplication::palette(&area).brush(QPalette::Dark));
    });
    setCentralWidget(ClientArea);

    showMessage = [this](const QString& text) { showFailureBox(this, text); };
    askFilesToOpen = [this](const QString& start) {
        return QFileDialog::getOpenFileNames(this, QString(), start, openDialogFilter());
    };
    askSweepChoice = [](SweepDialog& dialog) {
        // The dialog comes up inside the sweep command, under its wait cursor.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        QApplication::restoreOverrideCursor();
        return accepted;
    };
    askDataSetPictures = [](DataSetPictureList& list) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const bool accepted = list.exec() == QDialog::Accepted;
        QApplication::restoreOverrideCursor();
        return accepted;
    };
    askResultFolders = [this](const QString& start) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const QStringList folders = chooseResultFolders(this, start);
        QApplication::restoreOverrideCursor();
        return folders;
    };
    askCodecFiles = [this](const QString& start) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const QStringList files = QFileDialog::getOpenFileNames(
            this, QStringLiteral("Load Codec Descriptions"), start,
            QStringLiteral("Codec descriptions (*.json);;All files (*)"));
        QApplication::restoreOverrideCursor();
        return files;
    };
    askDataSetFolder = [this](const QString& start) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Data Set Sweep: Folder"), start);
        QApplication::restoreOverrideCursor();
        return folder;
    };

    askStopDataSet = [this](const QString& question) {
        return askExitQuestion(this, question, QStringLiteral("Stop and Exit"), QStringLiteral("Keep Running"));
    };
    askDiscardResults = [this](const QString& question) {
        return askExitQuestion(this, question, QStringLiteral("Exit"), QStringLiteral("Cancel"));
    };
    askOverwriteResult = [this](const QString& question) {
        return askExitQuestion(this, question, QStringLiteral("Save"), QStringLiteral("Cancel"));
    };

    createActions();
    // Before the menus, so that the codecs of earlier sessions are listed there.
    loadRememberedCodecFiles();
    createMenus();
    createToolBar();
    createProgressBar();
    createStatusBar();
    createDataSetRunner();
    connectCommands();

    Measurements = new MeasurementsDock(this);
    Measurements->showFailure = [this](const QString& text) { showMessage(text); };
    addDockWidget(Qt::RightDockWidgetArea, Measurements);
    Measurements->hide();
    Research1->addAction(Measurements->toggleViewAction());

    AboutBox = new TAboutBox(this);
    placeOnScreen();
    restoreLayout();

    // A panel that grows, or a smaller main window, must not push document windows out of sight.
    ClientArea->viewport()->installEventFilter(this);
    connect(ClientArea, &QMdiArea::subWindowActivated, this, &TMainForm::updateMenus);
    connect(ClientArea, &QMdiArea::subWindowActivated, Measurements, &MeasurementsDock::showWindow);
    connect(Window1, &QMenu::aboutToShow, this, &TMainForm::updateWindowList);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { trackEditField(now); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TMainForm::updateEditActions);
    updateMenus();
}

// The work area and the application go on signalling while the base class tears the window
// down; by then this object's members are gone.
TMainForm::~TMainForm() {
    disconnect(ClientArea, nullptr, this, nullptr);
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
}

QAction* TMainForm::makeAction(const char* name, const QString& caption, const QString& hint) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    applyHint(action, hint);
    addAction(action);
    return action;
}

void TMainForm::createActions() {
    createFileActions();
    createEditActions();
    createWindowActions();
    LoadCodecDescriptions1 =
        makeAction("LoadCodecDescriptions1", QStringLiteral("Load Codec &Descriptions..."),
                   QStringLiteral("Load Codec Descriptions|Adds codecs described by the commands that run them (JSON "
                                  "files) to this menu and the sweeps; they are loaded again at the next start"));
    HelpAbout1 = makeAction("HelpAbout1", QStringLiteral("&About..."),
                            QStringLiteral("About|Displays program information, version number, and copyright"));
}

void TMainForm::createFileActions() {
    FileNew1 = makeAction("FileNew1", QStringLiteral("&New"), QStringLiteral("New|Create a new file"));
    FileNew1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    FileNew1->setIcon(actionIcon(ActionIcon::New));
    FileOpen1 = makeAction("FileOpen1", QStringLiteral("&Open"), QStringLiteral("Open|Open a file"));
    FileOpen1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    FileOpen1->setIcon(actionIcon(ActionIcon::Open));
    FileOpenResults1 = makeAction("FileOpenResults1", QStringLiteral("Open Res&ults..."),
                                  QStringLiteral("Open Results|Opens the result folders of a data set sweep"));
    FileClose1 = makeAction("FileClose1", QStringLiteral("&Close"), QStringLiteral("Close|Close current file"));
    FileSave1 = makeAction("FileSave1", QStringLiteral("&Save"), QStringLiteral("Save|Save current file"));
    FileSave1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    FileSave1->setIcon(actionIcon(ActionIcon::Save));
    FileSaveAs1 = makeAction("FileSaveAs1", QStringLiteral("Save &As..."),
                             QStringLiteral("Save As|Save current file with different name"));
    FileSaveAs1->setEnabled(false);
    FileExit1 = makeAction("FileExit1", QStringLiteral("E&xit"), QStringLiteral("Exit|Exit application"));
    addKeysOfOtherPrograms();
}

// The keys other programs close a document and quit with. They stay off the two entries, whose
// shortcuts are the menu's own, and only trigger them, so that a key does what the entry does.
void TMainForm::addKeysOfOtherPrograms() {
    const auto addKey = [this](QKeySequence key, QAction* action) {
        connect(new QShortcut(key, this), &QShortcut::activated, action, [action] {
            if (action->isEnabled()) action->trigger();
        });
    };
    addKey(QKeySequence(Qt::CTRL | Qt::Key_W), FileClose1);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_F4), FileClose1);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Q), FileExit1);
}

void TMainForm::createEditActions() {
    EditCut1 = makeAction("EditCut1", QStringLiteral("Cu&t"),
                          QStringLiteral("Cut|Cuts the selection and puts it on the Clipboard"));
    EditCut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    EditCut1->setIcon(actionIcon(ActionIcon::Cut));
    EditCopy1 = makeAction("EditCopy1", QStringLiteral("&Copy"),
                           QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"));
    EditCopy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    EditCopy1->setIcon(actionIcon(ActionIcon::Copy));
    EditPaste1 = makeAction("EditPaste1", QStringLiteral("&Paste"), QStringLiteral("Paste|Inserts Clipboard contents"));
    EditPaste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    EditPaste1->setIcon(actionIcon(ActionIcon::Paste));
    for (QAction* action : {EditCut1, EditCopy1, EditPaste1}) action->setEnabled(false);
}

void TMainForm::createWindowActions() {
    WindowCascade1 = makeAction("WindowCascade1", QStringLiteral("&Cascade"), QStringLiteral("Cascade"));
    WindowCascade1->setIcon(actionIcon(ActionIcon::Cascade));
    WindowTileHorizontal1 = makeAction("WindowTileHorizontal1", QStringLiteral("Tile &Horizontally"),
                                       QStringLiteral("Tile Horizontally"));
    WindowTileHorizontal1->setIcon(actionIcon(ActionIcon::TileHorizontally));
    WindowTileVertical1 = makeAction("WindowTileVertical1", QStringLiteral("Tile &Vertically"),
                                     QStringLiteral("Tile Vertically"));
    WindowTileVertical1->setIcon(actionIcon(ActionIcon::TileVertically));
    WindowMinimizeAll1 = makeAction("WindowMinimizeAll1", QStringLiteral("&Minimize All"), QStringLiteral("Minimize All"));
    WindowArrangeAll1 = makeAction("WindowArrangeAll1", QStringLiteral("&Arrange All"), QStringLiteral("Arrange All"));
}

void TMainForm::createMenus() {
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    applyHint(File1->menuAction(), QStringLiteral("File related commands"));
    // New keeps its shortcut, but its menu entry stays out of reach.
    FileNewItem = File1->addAction(FileNew1->icon(), FileNew1->text());
    FileNewItem->setObjectName(QStringLiteral("FileNewItem"));
    FileNewItem->setVisible(false);
    FileNewItem->setEnabled(false);
    File1->addActions({FileOpen1, FileOpenResults1, FileClose1, FileSave1, FileSaveAs1});
    RecentFiles1 = File1->addMenu(QStringLiteral("&Recent Files"));
    RecentFiles1->setObjectName(QStringLiteral("RecentFiles1"));
    applyHint(RecentFiles1->menuAction(), QStringLiteral("Recent Files|Opens one of the last files opened"));
    connect(RecentFiles1, &QMenu::aboutToShow, this, &TMainForm::fillRecentFilesMenu);
    File1->addSeparator()->setObjectName(QStringLiteral("N1"));
    File1->addAction(FileExit1);

    Edit1 = menuBar()->addMenu(QStringLiteral("&Edit"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    applyHint(Edit1->menuAction(), QStringLiteral("Edit commands"));
    Edit1->addActions({EditCut1, EditCopy1, EditPaste1});

    createViewMenu();
    createCompressMenu();
    createResearchMenu();
    createWindowMenu();

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    applyHint(Help1->menuAction(), QStringLiteral("Help topics"));
    Help1->addAction(HelpAbout1);
}

QAction* TMainForm::makeCommandEntry(const char* name, const QString& caption, bool hidden,
                                     void (TMainForm::*handler)()) {
    QAction* entry = Compress1->addAction(caption);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setVisible(!hidden);
    // Only the three visible commands code the active document; the rest say nothing while busy.
    const QString codec = hidden ? QString() : caption;
    connect(entry, &QAction::triggered, this, [this, handler, codec] {
        runCommand([this, handler] { (this->*handler)(); }, codec.isEmpty() ? QString() : codingText(codec));
    });
    return entry;
}

void TMainForm::createCompressMenu() {
    Compress1 = menuBar()->addMenu(QStringLiteral("Compress"));
    Compress1->setObjectName(QStringLiteral("Compress1"));
    JPEG1 = makeCommandEntry("JPEG1", QStringLiteral("JPEG"), false, &TMainForm::JPEG1Click);
    AJC2 = makeCommandEntry("AJC2", QStringLiteral("AJC"), false, &TMainForm::AJC2Click);
    AJC1 = makeCommandEntry("AJC1", QStringLiteral("AVC"), false, &TMainForm::AJC1Click);
    AVCSequence1 = makeCommandEntry("AVCSequence1", QStringLiteral("AVC Sequence"), true, &TMainForm::AVCSequence1Click);
    AVCBMP1 = makeCommandEntry("AVCBMP1", QStringLiteral("AVC -> BMP"), true, &TMainForm::AVCBMP1Click);
    test1 = makeCommandEntry("test1", QStringLiteral("soomIn"), true, &TMainForm::test1Click);
    zoomOut1 = makeCommandEntry("zoomOut1", QStringLiteral("zoomOut"), true, &TMainForm::zoomOut1Click);
    Test2 = makeCommandEntry("Test2", QStringLiteral("Test"), true, &TMainForm::Test2Click);
    // F5 JPEG, F6 AJC, F7 AVC, in menu order: the Ctrl keys are taken by the file and edit
    // commands and the document windows' zoom, and Alt opens the menus.
    JPEG1->setShortcut(QKeySequence(Qt::Key_F5));
    AJC2->setShortcut(QKeySequence(Qt::Key_F6));
    AJC1->setShortcut(QKeySequence(Qt::Key_F7));
    // "Compress" keeps its caption as it is, without a mnemonic; Alt+C opens it as one would.
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_C), this), &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(Compress1->menuAction()); });
    createAnchorCodecMenu();
}

void TMainForm::createResearchMenu() {
    Research1 = menuBar()->addMenu(QStringLiteral("&Research"));
    Research1->setObjectName(QStringLiteral("Research1"));
    applyHint(Research1->menuAction(), QStringLiteral("Measures, rate-distortion curves and comparisons"));
    Sweep1 = Research1->addAction(QStringLiteral("Rate-distortion &Sweep..."));
    Sweep1->setObjectName(QStringLiteral("Sweep1"));
    applyHint(Sweep1, QStringLiteral("Sweep|Codes the active picture with the codecs and qualities you choose and plots the curves"));
    DataSetSweep1 = Research1->addAction(QStringLiteral("&Data Set Sweep..."));
    DataSetSweep1->setObjectName(QStringLiteral("DataSetSweep1"));
    applyHint(DataSetSweep1, QStringLiteral("Data Set Sweep|Sweeps every picture of a folder and plots the mean curves"));
    connect(DataSetSweep1, &QAction::triggered, this,
            [this] { runCommand([this] { DataSetSweep1Click(); }, QStringLiteral("Sweeping a data set...")); });
    Compare1 = Research1->addAction(QStringLiteral("&Compare with Source"));
    Compare1->setObjectName(QStringLiteral("Compare1"));
    applyHint(Compare1, QStringLiteral("Compare|Shows the active decoded picture beside its source"));
    CompareTwo1 = Research1->addAction(QStringLiteral("Compare &Two Windows..."));
    CompareTwo1->setObjectName(QStringLiteral("CompareTwo1"));
    applyHint(CompareTwo1, QStringLiteral("Compare Two Windows|Shows two open pictures of the same size, A and B, "
                                          "and measures B against A"));
    connect(CompareTwo1, &QAction::triggered, this, &TMainForm::CompareTwo1Click);
    for (const auto& [action, handler] :
         {std::pair{Sweep1, &TMainForm::Sweep1Click}, std::pair{Compare1, &TMainForm::Compare1Click}}) {
        // A named copy: a structured binding cannot be captured by every compiler.
        connect(action, &QAction::triggered, this, [this, entry = action, command = handler] {
            const QString file = activeFileName();
            const QString busyText = entry == Sweep1 && !file.isEmpty() ? QStringLiteral("Sweeping %1...").arg(file)
                                                                        : QString();
            runCommand([this, command] { (this->*command)(); }, busyText);
        });
    }
    Research1->addSeparator();
}

void TMainForm::createViewMenu() {
    View1 = menuBar()->addMenu(QStringLiteral("&View"));
    View1->setObjectName(QStringLiteral("View1"));
    applyHint(View1->menuAction(), QStringLiteral("How the active picture is shown"));
    const auto entry = [this](const char* name, const QString& caption, const QString& hint, const QKeySequence& key,
                              void (TMDIChild::*zoom)()) {
        QAction* action = makeAction(name, caption, hint);
        action->setShortcut(key);
        // A document with the focus takes these keys itself, ahead of the entries.
        View1->addAction(action);
        connect(action, &QAction::triggered, this, [this, zoom] {
            if (TMDIChild* document = activeDocument()) (document->*zoom)();
        });
        return action;
    };
    ViewFit1 = entry("ViewFit1", QStringLiteral("&Fit"), QStringLiteral("Fit|Shows the whole picture in its window"),
                     QKeySequence(Qt::CTRL | Qt::Key_0), &TMDIChild::zoomToFit);
    ViewActualSize1 = entry("ViewActualSize1", QStringLiteral("&1:1"),
                            QStringLiteral("1:1|Shows the picture one screen pixel per picture pixel"),
                            QKeySequence(Qt::CTRL | Qt::Key_1), &TMDIChild::zoomToActualSize);
    ViewScreenPixels1 = entry("ViewScreenPixels1", QStringLiteral("1:1 in &Screen Pixels"),
                              QStringLiteral("1:1 in Screen Pixels|Shows each picture pixel as one pixel of the "
                                             "screen, also where the screen is scaled"),
                              QKeySequence(Qt::CTRL | Qt::Key_2), &TMDIChild::zoomToScreenPixels);
    ViewZoomIn1 = entry("ViewZoomIn1", QStringLiteral("Zoom &In"), QStringLiteral("Zoom In|Enlarges the view"),
                        QKeySequence(Qt::CTRL | Qt::Key_Plus), &TMDIChild::zoomIn);
    ViewZoomOut1 = entry("ViewZoomOut1", QStringLiteral("Zoom &Out"), QStringLiteral("Zoom Out|Reduces the view"),
                         QKeySequence(Qt::CTRL | Qt::Key_Minus), &TMDIChild::zoomOut);
}

void TMainForm::createWindowMenu() {
    Window1 = menuBar()->addMenu(QStringLiteral("&Window"));
    Window1->setObjectName(QStringLiteral("Window1"));
    applyHint(Window1->menuAction(), QStringLiteral("Window related commands"));
    Window1->addActions({WindowCascade1, WindowTileHorizontal1, WindowTileVertical1, WindowMinimizeAll1,
                         WindowArrangeAll1});
    windowListSeparator_ = Window1->addSeparator();
    windowListSeparator_->setVisible(false);
}

QToolButton* TMainForm::addToolButton(const char* name, QAction* action) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    ToolBar2->addWidget(button);
    return button;
}

QLabel* TMainForm::addBoldLabel(const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setPointSize(8);
    font.setBold(true);
    label->setFont(font);
    ToolBar2->addWidget(label);
    return label;
}

QLineEdit* TMainForm::addField(const char* name, const QString& text, int width, bool readOnly) {
    auto* field = new QLineEdit(text);
    field->setObjectName(QString::fromLatin1(name));
    field->setFixedSize(width, kFieldHeight);
    field->setReadOnly(readOnly);
    if (readOnly) {
        // Drawn as a button's face, and drawn anew when the palette changes: a light face kept under a
        // dark theme's light text would hide the text.
        followPalette(field, [](QWidget& widget) {
            QPalette palette = QApplication::palette(&widget);
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Button));
            widget.setPalette(palette);
        });
    }
    connect(field, &QLineEdit::selectionChanged, this, &TMainForm::updateEditActions);
    ToolBar2->addWidget(field);
    return field;
}

void TMainForm::createToolBar() {
    ToolBar2 = new QToolBar;
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setIconSize(QSize(16, 16));
    ToolBar2->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar2);

    ToolButton9 = addToolButton("ToolButton9", FileNew1);
    ToolBar2->actions().constLast()->setVisible(false);
    ToolButton1 = addToolButton("ToolButton1", FileOpen1);
    ToolButton2 = addToolButton("ToolButton2", FileSave1);
    auto* separator = new QFrame;
    separator->setObjectName(QStringLiteral("ToolButton7"));
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setFixedWidth(8);
    ToolBar2->addWidget(separator);
    ToolButton8 = addToolButton("ToolButton8", WindowCascade1);
    ToolButton10 = addToolButton("ToolButton10", WindowTileHorizontal1);
    ToolButton11 = addToolButton("ToolButton11", WindowTileVertical1);
    ToolBar2->addWidget(gap("Splitter3", 12));
    createParameterFields();
}

void TMainForm::createParameterFields() {
    Label2 = addBoldLabel("Label2", QStringLiteral("Compression coefficients:"));
    // Never narrower than its text, whatever the desktop's font.
    Label2->setFixedWidth(std::max(146, Label2->sizeHint().width()));
    Edit2 = addField("Edit2", QStringLiteral("80"), 44, false);
    Edit2->setMaxLength(2);
    Edit3 = addField("Edit3", QStringLiteral("2"), 22, true);
    Edit3->setMaxLength(1);
    Label3 = addBoldLabel("Label3", QStringLiteral("Ratio"));
    ToolBar2->actions().constLast()->setVisible(false);
    Edit4 = addField("Edit4", QStringLiteral("0"), 48, true);
    ToolBar2->actions().constLast()->setVisible(false);
    ToolBar2->addWidget(gap("Splitter2", 12));
    Label1 = addBoldLabel("Label1", QStringLiteral("Focus  "));
    Edit5 = addField("Edit5", QStringLiteral("2"), 48, true);
    Edit6 = addField("Edit6", QString(), kReportFieldMinimumWidth, true);
    describeParameterFields();
    // The report line takes whatever room the toolbar has left.
    Edit6->setMaximumWidth(QWIDGETSIZE_MAX);
    Edit6->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

// The fields carry no labels of their own beyond the row's heading: their tips say what they hold,
// and screen readers read their names, and the labels before them.
void TMainForm::describeParameterFields() {
    Label2->setBuddy(Edit2);
    Label3->setBuddy(Edit4);
    Label1->setBuddy(Edit5);
    Edit2->setAccessibleName(QStringLiteral("Quality"));
    Edit3->setAccessibleName(QStringLiteral("Divisor"));
    Edit4->setAccessibleName(QStringLiteral("Ratio"));
    Edit5->setAccessibleName(QStringLiteral("Focus"));
    Edit6->setAccessibleName(QStringLiteral("Report line"));
    Edit2->setToolTip(qualityTip());
    const auto describe = [](QLineEdit* field, QString (*tip)(const QString&)) {
        field->setToolTip(tip(field->text()));
        connect(field, &QLineEdit::textChanged, field, [field, tip](const QString& text) { field->setToolTip(tip(text)); });
    };
    describe(Edit3, divisorTip);
    describe(Edit5, focusTip);
}

void TMainForm::createProgressBar() {
    progressPanel_ = new QToolBar;
    progressPanel_->setObjectName(QStringLiteral("ProgressPanel"));
    progressPanel_->setMovable(false);
    progressPanel_->setFloatable(false);
    progressPanel_->toggleViewAction()->setVisible(false);
    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(13);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    progressPanel_->addWidget(ProgressBar1);
    addToolBar(Qt::BottomToolBarArea, progressPanel_);
    progressPanel_->hide();
    ProgressBar1->hide();
}

void TMainForm::createStatusBar() {
    setStatusBar(new ElidingStatusBar);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    StatusText = new QLabel(QStringLiteral("0 X 0"));
    StatusText->setObjectName(QStringLiteral("StatusText"));
    statusBar()->addWidget(StatusText, 1);
    CommandProgress1 = new CommandProgress;
    statusBar()->addPermanentWidget(CommandProgress1);
    DataSetProgress1 = new DataSetRunPanel;
    statusBar()->addPermanentWidget(DataSetProgress1);
    PictureSizeText = new QLabel;
    PictureSizeText->setObjectName(QStringLiteral("PictureSizeText"));
    statusBar()->addPermanentWidget(PictureSizeText);
    ZoomText = new QLabel;
    ZoomText->setObjectName(QStringLiteral("ZoomText"));
    statusBar()->addPermanentWidget(ZoomText);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) clearHintsWhenClosed(*menu, *statusBar());
}

void TMainForm::connectCommands() {
    const auto bind = [this](QAction* action, void (TMainForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    };
    bind(FileNew1, &TMainForm::FileNew1Execute);
    connect(FileSave1, &QAction::triggered, this, &TMainForm::saveWithConfirmation);
    connect(FileOpen1, &QAction::triggered, this, &TMainForm::FileOpen1Execute);
    connect(FileOpenResults1, &QAction::triggered, this,
            [this] { runCommand([this] { OpenResults1Click(); }, QStringLiteral("Opening results...")); });
    connect(LoadCodecDescriptions1, &QAction::triggered, this, [this] {
        runCommand([this] { LoadCodecDescriptions1Click(); }, QStringLiteral("Loading codec descriptions..."));
    });
    connect(FileExit1, &QAction::triggered, this, &TMainForm::FileExit1Execute);
    connect(HelpAbout1, &QAction::triggered, this, &TMainForm::HelpAbout1Execute);
    connect(FileClose1, &QAction::triggered, ClientArea, &QMdiArea::closeActiveSubWindow);

    connect(WindowCascade1, &QAction::triggered, this, [this] { cascade(*ClientArea); });
    connect(WindowTileHorizontal1, &QAction::triggered, this, [this] { tileHorizontally(*ClientArea); });
    connect(WindowTileVertical1, &QAction::triggered, this, [this] { tileVertically(*ClientArea); });
    connect(WindowMinimizeAll1, &QAction::triggered, this, [this] { minimizeAll(*ClientArea); });
    connect(WindowArrangeAll1, &QAction::triggered, this, [this] { arrangeMinimized(*ClientArea); });

    connect(EditCut1, &QAction::triggered, this, [this] { if (editTarget_) editTarget_->cut(); });
    connect(EditCopy1, &QAction::triggered, this, [this] { if (editTarget_) editTarget_->copy(); });
    connect(EditPaste1, &QAction::triggered, this, [this] { if (editTarget_) editTarget_->paste(); });
}

QMenu* TMainForm::createPopupMenu() {
    return nullptr;  // the toolbar and the progress panel are not the user's to hide
}

void TMainForm::updateMenus() {
    const bool anyDocument = !ClientArea->subWindowList().isEmpty();
    updateCommandActions();
    for (QAction* action : {WindowCascade1, WindowTileHorizontal1, WindowTileVertical1, WindowMinimizeAll1,
                            WindowArrangeAll1})
        action->setEnabled(anyDocument);
    updateWindowList();
    for (QAction* action : {ViewFit1, ViewActualSize1, ViewScreenPixels1, ViewZoomIn1, ViewZoomOut1})
        action->setEnabled(activeDocument() != nullptr);
    showActiveZoom();
}

// Every entry that starts a command rests while one runs: its results keep their order, and a
// window it reads cannot go away under it.
void TMainForm::updateCommandActions() {
    const bool idle = !commandRunning_;
    for (QAction* action : {FileNew1, FileOpen1, FileOpenResults1, FileSave1, FileExit1, RecentFiles1->menuAction(), JPEG1, AJC2, AJC1,
                            AVCSequence1, AVCBMP1, test1, zoomOut1, Test2, LoadCodecDescriptions1})
        action->setEnabled(idle);
    FileClose1->setEnabled(idle && ClientArea->currentSubWindow() != nullptr);
    Sweep1->setEnabled(idle && activeDocument() != nullptr);
    DataSetSweep1->setEnabled(idle && !dataSetRunning());
    Compare1->setEnabled(idle && activeDocument() != nullptr);
    CompareTwo1->setEnabled(idle && documents().size() >= 2);
    for (QAction* entry : AnchorCodecEntries) entry->setEnabled(idle);
}

void TMainForm::showActiveZoom() {
    const TMDIChild* document = activeDocument();
    ZoomText->setText(document ? zoomText(document->zoom(), document->devicePixelRatioF()) : QString());
    PictureSizeText->setText(document ? pictureSizeText(document->bitmap().size()) : QString());
}

// The edit commands act on the last edit field that had the focus, so that they still find it
// while their own menu is open.
void TMainForm::trackEditField(QWidget* now) {
    if (auto* field = qobject_cast<QLineEdit*>(now))
        editTarget_ = field;
    else if (now && !qobject_cast<QMenu*>(now) && !qobject_cast<QMenuBar*>(now))
        editTarget_ = nullptr;
    updateEditActions();
}

void TMainForm::updateEditActions() {
    const QLineEdit* field = editTarget_;
    const bool selection = field && field->hasSelectedText();
    const bool writable = field && !field->isReadOnly();
    EditCut1->setEnabled(selection && writable);
    EditCopy1->setEnabled(selection);
    EditPaste1->setEnabled(writable && !QApplication::clipboard()->text().isEmpty());
}

// Paints the busy state before the command blocks the event loop. Only repaints run here:
// queued calls and the user's input wait, so nothing starts ahead of the command.
void TMainForm::showBusyState(const QString& busyText) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!busyText.isEmpty()) statusBar()->showMessage(busyText);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    statusBar()->repaint();
}

void TMainForm::clearBusyState(const QString& busyText) {
    QApplication::restoreOverrideCursor();
    // A command that put its own line in the status bar keeps it there.
    if (!busyText.isEmpty() && statusBar()->currentMessage() == busyText) statusBar()->clearMessage();
}

bool TMainForm::runCommand(const std::function<void()>& command, const QString& busyText) {
    // One command at a time: a command's own dialogs keep the event loop turning.
    if (commandRunning_) return false;
    commandRunning_ = true;
    busyText_ = busyText;
    updateCommandActions();
    QString failure;
    showBusyState(busyText);
    try {
        command();
    } catch (const Error& error) {
        // The cause keeps the first line to itself; the file it concerns goes below it.
        failure = QString::fromStdString(error.cause());
        if (!error.fileName().empty())
            failure += QStringLiteral("\n\"%1\"").arg(QString::fromStdString(error.fileName()));
    } catch (const std::exception& error) {
        failure = QString::fromStdString(failureMessage(error));
        if (failure.isEmpty()) failure = QStringLiteral("The command failed.");
    }
    clearBusyState(busyText);
    commandRunning_ = false;
    busyText_.clear();
    updateCommandActions();
    if (!failure.isEmpty()) showMessage(failure);
    return failure.isEmpty();
}

// The event loop turns while the worker runs: the busy cursor says the workbench still answers.
void TMainForm::runInBackground(const std::function<void()>& work) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    CommandProgress1->start(busyText_.isEmpty() ? QStringLiteral("Working...") : busyText_, progressDelay);
    const auto finish = [this] {
        CommandProgress1->finish();
        QApplication::restoreOverrideCursor();
    };
    try {
        runOnWorkerThread(work);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == ClientArea->viewport()) keepInside(*ClientArea);
    if (event->type() == QEvent::Close && commandRunning_ && qobject_cast<TMDIChild*>(watched)) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QString TMainForm::activeFileName() const {
    const TMDIChild* document = activeDocument();
    return document ? QFileInfo(document->caption()).fileName() : QString();
}

QString TMainForm::codingText(const QString& codec) const {
    const QString file = activeFileName();
    return file.isEmpty() ? QString() : QStringLiteral("Coding %1 with %2...").arg(file, codec);
}

QString TMainForm::openingText(const QString& name) {
    return QStringLiteral("Opening %1...").arg(QFileInfo(name).fileName());
}

void TMainForm::showReportLine(const QString& line) {
    Edit6->setText(line);
    Edit6->setCursorPosition(0);  // the ratio, at the start, is what a reader looks for first
    // Where the field is too narrow, the whole line is still one hover or one glance away.
    Edit6->setToolTip(plainTip(line));
    statusBar()->showMessage(line);
}

void TMainForm::markWindowsOfReplacedFile(const TMDIChild& written) {
    const QString result = written.description().isEmpty() ? QFileInfo(written.caption()).fileName() : written.description();
    for (TMDIChild* document : documents())
        if (document != &written && document->caption() == written.caption()) document->markFileReplaced(result);
}

void TMainForm::saveWithConfirmation() {
    TMDIChild* document = activeDocument();
    if (!document) return;
    if (!document->replacedBy().isEmpty() && QString::fromStdString(saveTargetFor(document->fileName())) == document->caption()) {
        const QString question =
            QStringLiteral("%1 now holds the %2 result, coded after this window's. Save this window's picture over it?")
                .arg(QFileInfo(document->caption()).fileName(), document->replacedBy());
        if (!askOverwriteResult(question)) return;
    }
    QString target;
    const bool saved = runCommand(
        [&] {
            target = QString::fromStdString(saveTargetFor(document->fileName()));
            FileSave1Execute();
        },
        QStringLiteral("Saving %1...").arg(activeFileName()));
    if (!saved) return;
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(target));
    if (target == document->caption()) {
        document->markFileReplaced({});
        markWindowsOfReplacedFile(*document);
    }
}

void TMainForm::openRecordedDocument(const QString& name) {
    if (runCommand([&] { OpenDocument(name); }, openingText(name))) rememberRecentFile(name);
}

void TMainForm::openRecentFile(const QString& path) {
    if (!QFileInfo::exists(path)) {
        forgetRecentFile(path);
        showMessage(QStringLiteral("The file \"%1\" no longer exists; it has been removed from the recent files.")
                        .arg(path));
        return;
    }
    openRecordedDocument(path);
}

void TMainForm::fillRecentFilesMenu() {
    RecentFiles1->clear();
    const QStringList files = recentFiles();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* entry = RecentFiles1->addAction(numberedMenuText(static_cast<int>(i + 1), path));
        connect(entry, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
    if (files.isEmpty()) RecentFiles1->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

// About four fifths of the screen, centred, yet never so narrow that the toolbar folds or that a
// report line of the sample's length is cut, where the screen has the room.
void TMainForm::placeOnScreen() {
    const QRect available = screen()->availableGeometry();
    const int reportLine = Edit6->fontMetrics().horizontalAdvance(kReportLineShape) + kReportFieldPadding;
    const int toolbar =
        ToolBar2->sizeHint().width() - kReportFieldMinimumWidth + std::max(reportLine, kReportFieldMinimumWidth);
    const int width = std::min(std::max(available.width() * 4 / 5, toolbar), available.width());
    const QSize size(width, available.height() * 4 / 5);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

void TMainForm::restoreLayout() {
    const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
    restoreGeometry(settings->value(kGeometryKey).toByteArray());
    restoreState(settings->value(kStateKey).toByteArray());
    // Shown only while a sequence runs, whatever the last session left.
    progressPanel_->hide();
}

void TMainForm::saveLayout() const {
    const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
    settings->setValue(kGeometryKey, saveGeometry());
    settings->setValue(kStateKey, saveState());
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (commandRunning_ || !mayExitWithDataSetRun() || !mayDiscardResults()) {
        event->ignore();
        return;
    }
    saveLayout();
    QMainWindow::closeEvent(event);
}

TMDIChild* TMainForm::activeDocument() const {
    return qobject_cast<TMDIChild*>(ClientArea->currentSubWindow());
}

QList<TMDIChild*> TMainForm::documents() const {
    QList<TMDIChild*> result;
    for (QMdiSubWindow* window : ClientArea->subWindowList(QMdiArea::CreationOrder))
        if (auto* document = qobject_cast<TMDIChild*>(window)) result.append(document);
    return result;
}

}  // namespace brenlow

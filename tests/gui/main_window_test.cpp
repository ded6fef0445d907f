#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include "app/docks/measurements_dock.h"
#include "app/shell/about_box.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

struct MenuEntry {
    QString caption;  // empty for a separator
    bool visible = true;
    bool enabled = true;
    QString shortcut;

    bool operator==(const MenuEntry&) const = default;
};

void PrintTo(const MenuEntry& entry, std::ostream* out) {
    *out << '"' << entry.caption.toStdString() << "\" visible=" << entry.visible << " enabled=" << entry.enabled
         << " shortcut=" << entry.shortcut.toStdString();
}

std::vector<MenuEntry> entriesOf(const QMenu* menu) {
    std::vector<MenuEntry> entries;
    for (const QAction* action : menu->actions())
        entries.push_back({action->isSeparator() ? QString() : action->text(), action->isVisible(), action->isEnabled(),
                           action->shortcut().toString()});
    return entries;
}

// The toolbar's controls from left to right, by name, with whether they are shown.
std::vector<std::pair<QString, bool>> toolbarControls(const QToolBar* toolbar) {
    std::vector<std::pair<QString, bool>> controls;
    for (QAction* action : toolbar->actions())
        controls.emplace_back(toolbar->widgetForAction(action)->objectName(), action->isVisible());
    return controls;
}

using MainWindowTest = WorkbenchTest;

TEST_F(MainWindowTest, MenuBarHasTheFiveMenusInOrderWithResearchBeforeWindow) {
    QStringList captions;
    QStringList hints;
    for (const QAction* action : form->menuBar()->actions()) {
        captions << action->text();
        hints << action->statusTip();
    }
    EXPECT_EQ(captions, QStringList({"&File", "&Edit", "&View", "Compress", "&Research", "&Window", "&Help"}));
    EXPECT_EQ(hints, QStringList({"File related commands", "Edit commands", "How the active picture is shown", "",
                                  "Measures, rate-distortion curves and comparisons",
                                  "Window related commands", "Help topics"}));
}

TEST_F(MainWindowTest, FileMenuEntriesMatchTheirActions) {
    const std::vector<MenuEntry> expected = {
        {"&New", false, false, ""},        {"&Open", true, true, "Ctrl+O"},    {"Open Res&ults...", true, true, ""},
        {"&Close", true, false, ""},
        {"&Save", true, true, "Ctrl+S"},   {"Save &As...", true, false, ""},   {"&Recent Files", true, true, ""},
        {"", true, true, ""},              {"E&xit", true, true, ""},
    };
    EXPECT_EQ(entriesOf(form->File1), expected);
    EXPECT_EQ(form->FileNew1->shortcut().toString(), "Ctrl+N");
}

TEST_F(MainWindowTest, EditMenuEntriesStartDisabled) {
    const std::vector<MenuEntry> expected = {
        {"Cu&t", true, false, "Ctrl+X"}, {"&Copy", true, false, "Ctrl+C"}, {"&Paste", true, false, "Ctrl+V"}};
    EXPECT_EQ(entriesOf(form->Edit1), expected);
}

TEST_F(MainWindowTest, CompressMenuShowsThreeCommandsAndHidesTheRest) {
    // Qt reports hidden actions as disabled; triggered, they still run (see the view-tool tests).
    const std::vector<MenuEntry> expected = {
        {"JPEG", true, true, "F5"},         {"AJC", true, true, "F6"},        {"AVC", true, true, "F7"},
        {"AVC Sequence", false, false, ""}, {"AVC -> BMP", false, false, ""}, {"soomIn", false, false, ""},
        {"zoomOut", false, false, ""},      {"Test", false, false, ""},       {"", true, true, ""},
        {"&Anchor Codec", true, true, ""},
    };
    EXPECT_EQ(entriesOf(form->Compress1), expected);
    for (const QAction* action : form->Compress1->actions()) EXPECT_TRUE(action->icon().isNull());
}

TEST_F(MainWindowTest, WindowMenuListsOpenDocumentsBelowItsFiveEntries) {
    const auto captions = [this] {
        QStringList texts;
        for (const QAction* action : form->Window1->actions())
            if (action->isVisible() && !action->isSeparator()) texts << action->text();
        return texts;
    };
    const QStringList arrangements = {"&Cascade", "Tile &Horizontally", "Tile &Vertically", "&Minimize All",
                                      "&Arrange All"};
    EXPECT_EQ(captions(), arrangements);
    EXPECT_FALSE(form->WindowCascade1->isEnabled()) << "nothing to arrange";

    const std::string first = openPicture(patternBitmap(8, 6), "first.bmp");
    const std::string second = openPicture(patternBitmap(8, 6), "second.bmp");
    EXPECT_EQ(captions(), arrangements + QStringList({QString::fromStdString("&1 " + first),
                                                      QString::fromStdString("&2 " + second)}));
    EXPECT_TRUE(form->WindowCascade1->isEnabled());

    lastDocument()->close();
    settleClosedWindows();
    EXPECT_EQ(captions(), arrangements + QStringList({QString::fromStdString("&1 " + first)}));
}

TEST_F(MainWindowTest, ActionsCarryTheirHintsAsTooltipAndStatusText) {
    const std::vector<std::tuple<QAction*, QString, QString>> hints = {
        {form->FileNew1, "New", "Create a new file"},
        {form->FileOpen1, "Open", "Open a file"},
        {form->FileClose1, "Close", "Close current file"},
        {form->FileSave1, "Save", "Save current file"},
        {form->FileSaveAs1, "Save As", "Save current file with different name"},
        {form->FileExit1, "Exit", "Exit application"},
        {form->EditCut1, "Cut", "Cuts the selection and puts it on the Clipboard"},
        {form->EditCopy1, "Copy", "Copies the selection and puts it on the Clipboard"},
        {form->EditPaste1, "Paste", "Inserts Clipboard contents"},
        {form->WindowCascade1, "Cascade", "Cascade"},
        {form->WindowTileHorizontal1, "Tile Horizontally", "Tile Horizontally"},
        {form->WindowTileVertical1, "Tile Vertically", "Tile Vertically"},
        {form->WindowMinimizeAll1, "Minimize All", "Minimize All"},
        {form->WindowArrangeAll1, "Arrange All", "Arrange All"},
        {form->HelpAbout1, "About", "Displays program information, version number, and copyright"},
        {form->RecentFiles1->menuAction(), "Recent Files", "Opens one of the last files opened"},
        {form->Measurements->toggleViewAction(), "Measurements",
         "Shows every measure of the active window's last run: coded size, bits per pixel, PSNR, SSIM, MS-SSIM, "
         "CIEDE2000, Butteraugli and SSIMULACRA 2"},
    };
    for (const auto& [action, tooltip, status] : hints) {
        EXPECT_EQ(action->toolTip(), tooltip) << action->objectName().toStdString();
        EXPECT_EQ(action->statusTip(), status) << action->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, StatusLineReadsZeroByZeroAndShowsHintsOnlyWhileHovered) {
    EXPECT_EQ(form->StatusText->text(), "0 X 0");
    form->FileOpen1->showStatusText(form->ToolButton1);
    EXPECT_EQ(form->statusBar()->currentMessage(), "Open a file");
    form->statusBar()->clearMessage();
    EXPECT_EQ(form->StatusText->text(), "0 X 0");
    EXPECT_TRUE(form->StatusText->isVisible());
}

TEST_F(MainWindowTest, ToolBarHoldsItsControlsInOrder) {
    const std::vector<std::pair<QString, bool>> expected = {
        {"ToolButton9", false}, {"ToolButton1", true}, {"ToolButton2", true}, {"ToolButton7", true},
        {"ToolButton8", true},  {"ToolButton10", true}, {"ToolButton11", true}, {"Splitter3", true},
        {"Label2", true},       {"Edit2", true},       {"Edit3", true},       {"Label3", false},
        {"Edit4", false},       {"Splitter2", true},   {"Label1", true},      {"Edit5", true},
        {"Edit6", true},
    };
    EXPECT_EQ(toolbarControls(form->ToolBar2), expected);
    EXPECT_EQ(form->ToolButton9->defaultAction(), form->FileNew1);
    EXPECT_EQ(form->ToolButton1->defaultAction(), form->FileOpen1);
    EXPECT_EQ(form->ToolButton2->defaultAction(), form->FileSave1);
    EXPECT_EQ(form->ToolButton8->defaultAction(), form->WindowCascade1);
    EXPECT_EQ(form->ToolButton10->defaultAction(), form->WindowTileHorizontal1);
    EXPECT_EQ(form->ToolButton11->defaultAction(), form->WindowTileVertical1);
    EXPECT_FALSE(form->ToolButton1->icon().isNull());
    EXPECT_EQ(form->ToolButton1->toolTip(), "Open");
}

TEST_F(MainWindowTest, ParameterFieldsHaveTheirTextsWidthsAndLimits) {
    EXPECT_EQ(form->Label2->text(), "Compression coefficients:");
    EXPECT_TRUE(form->Label2->font().bold());
    EXPECT_GE(form->Label2->width(), 146);
    EXPECT_GE(form->Label2->width(), form->Label2->sizeHint().width()) << "the caption is not cut off";
    EXPECT_EQ(form->Label1->text(), "Focus  ");
    EXPECT_EQ(form->Label3->text(), "Ratio");
    EXPECT_FALSE(form->Label3->isVisible());

    struct Field {
        QLineEdit* edit;
        QString text;
        int width;  // the report field's least width: it grows with the window
        bool readOnly;
        bool visible;
    };
    const std::vector<Field> fields = {{form->Edit2, "80", 44, false, true}, {form->Edit3, "2", 22, true, true},
                                       {form->Edit4, "0", 48, true, false},  {form->Edit5, "2", 48, true, true},
                                       {form->Edit6, "", 364, true, true}};
    for (const Field& field : fields) {
        SCOPED_TRACE(field.edit->objectName().toStdString());
        EXPECT_EQ(field.edit->text(), field.text);
        if (field.edit == form->Edit6)
            EXPECT_GE(field.edit->width(), field.width);
        else
            EXPECT_EQ(field.edit->width(), field.width);
        EXPECT_EQ(field.edit->isReadOnly(), field.readOnly);
        EXPECT_EQ(field.edit->isVisible(), field.visible);
    }
    EXPECT_EQ(form->Edit2->maxLength(), 2);
    EXPECT_EQ(form->Edit3->maxLength(), 1);
    form->Edit2->setFocus();
    form->Edit2->selectAll();
    form->Edit2->insert("123");
    EXPECT_EQ(form->Edit2->text(), "12");
}

TEST_F(MainWindowTest, ProgressBarIsHiddenWhenNoSequenceRuns) {
    EXPECT_FALSE(form->ProgressBar1->isVisible());
    EXPECT_EQ(form->ProgressBar1->minimum(), 0);
    EXPECT_EQ(form->ProgressBar1->maximum(), 100);
    EXPECT_EQ(form->ProgressBar1->height(), 13);
}

TEST_F(MainWindowTest, SaveAsIsDisabledAndRunsNothing) {
    const std::string path = openPicture(patternBitmap(4, 4), "kept.bmp");
    const std::string before = fileBytes(path);
    form->FileSaveAs1->trigger();
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, EditCommandsWorkOnTheFocusedField) {
    QApplication::clipboard()->clear();
    form->activateWindow();
    form->Edit2->setText("64");
    form->Edit2->setFocus();
    QApplication::processEvents();
    form->Edit2->selectAll();
    ASSERT_TRUE(form->EditCut1->isEnabled());
    form->EditCut1->trigger();
    EXPECT_EQ(form->Edit2->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "64");
    EXPECT_TRUE(form->EditPaste1->isEnabled());
    form->EditPaste1->trigger();
    EXPECT_EQ(form->Edit2->text(), "64");

    // The report line can be copied but not changed.
    form->Edit6->setText("report");
    form->Edit6->setFocus();
    QApplication::processEvents();
    form->Edit6->selectAll();
    form->EditCopy1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "report");
    EXPECT_FALSE(form->EditCut1->isEnabled());
    EXPECT_FALSE(form->EditPaste1->isEnabled());

    form->Edit5->setFocus();
    QApplication::processEvents();
    form->Edit5->selectAll();
    EXPECT_TRUE(form->EditCopy1->isEnabled());
    EXPECT_FALSE(form->EditCut1->isEnabled()) << "read-only field";
    EXPECT_FALSE(form->EditPaste1->isEnabled()) << "read-only field";
}

TEST_F(MainWindowTest, AboutBoxNamesTheProgramAndItsVersion) {
    const TAboutBox* box = form->AboutBox;
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), "About");
    EXPECT_EQ(box->ProductName->text(), "Brenlow");
    EXPECT_EQ(box->Version->text(), "Version 4.0");
    for (const QLabel* label : {box->ProductName, box->Version, box->Copyright, box->Comments}) {
        EXPECT_FALSE(label->text().isEmpty());
        EXPECT_LE(label->x() + label->sizeHint().width(), label->parentWidget()->width()) << "fits its panel";
    }
    EXPECT_EQ(box->OKButton->text(), "OK");
    EXPECT_TRUE(box->OKButton->isDefault());
}

TEST_F(MainWindowTest, HelpAboutShowsTheBoxUntilOk) {
    bool shownModal = false;
    QTimer::singleShot(0, form.get(), [&] {
        shownModal = form->AboutBox->isVisible() && form->AboutBox->isModal();
        form->AboutBox->OKButton->click();
    });
    form->HelpAbout1->trigger();
    EXPECT_TRUE(shownModal);
    EXPECT_FALSE(form->AboutBox->isVisible());
    EXPECT_EQ(form->AboutBox->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, WindowCommandsArrangeTheDocumentWindows) {
    openPicture(patternBitmap(40, 30), "a.bmp");
    openPicture(patternBitmap(40, 30), "b.bmp");
    const QList<TMDIChild*> windows = form->documents();
    const QRect area = form->ClientArea->viewport()->rect();

    form->WindowTileHorizontal1->trigger();
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(windows[1]->geometry().top(), area.height() / 2);
    EXPECT_EQ(windows[1]->geometry().bottom(), area.bottom());

    form->WindowTileVertical1->trigger();
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(windows[1]->geometry().right(), area.right());

    form->WindowMinimizeAll1->trigger();
    for (const TMDIChild* window : windows) EXPECT_TRUE(window->isMinimized());
    form->WindowArrangeAll1->trigger();
    EXPECT_EQ(windows[0]->geometry().bottom(), area.bottom());
    EXPECT_EQ(windows[0]->geometry().left(), 0);
    EXPECT_EQ(windows[1]->geometry().left(), windows[0]->geometry().right() + 1);

    form->CloseAllDocuments();
    EXPECT_TRUE(form->documents().isEmpty());
}

TEST_F(MainWindowTest, CaptionIsTheProgramName) {
    EXPECT_EQ(form->windowTitle(), "Brenlow");
    EXPECT_TRUE(qobject_cast<QMdiArea*>(form->centralWidget()) != nullptr);
}

TEST_F(MainWindowTest, OpenDialogOffersAllPicturesFirstThenTheFiveFilters) {
    EXPECT_EQ(TMainForm::openDialogFilter(),
              "All pictures (*.bmp *.avc *.jpg *.ajc *.png *.tif *.tiff *.webp *.ppm *.pgm *.gif *.jpeg *.JPG);;"
              "Bitmap files (*.bmp);;AVC files (*.avc);;JPG files (*.jpg);;AJC files (*.ajc);;"
              "Other pictures (*.png *.tif *.tiff *.webp *.ppm *.pgm *.gif *.jpeg *.JPG);;All (*)");
}

TEST_F(MainWindowTest, ExitClosesTheMainWindowWithoutAsking) {
    openPicture(patternBitmap(4, 4), "open.bmp");
    form->FileExit1->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
}  // namespace brenlow::testing

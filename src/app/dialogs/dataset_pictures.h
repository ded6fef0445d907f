#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "brenlow/codec.h"
#include "brenlow/studies.h"

#include "brenlow/measures.h"

class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace brenlow {

// A folder's pictures split into those a data set is made of and the workbench's own outputs:
// decoded results (`*~.bmp`, `*~.jpg`) and files coded from a picture beside them (`a.jpg` and
// `a.webp` beside `a.bmp`, `a.webp` beside `a.jpg`), which would count a picture twice.
struct PictureSelection {
    std::vector<std::string> pictures;
    std::vector<std::string> outputs;  // "name (why)"
};
PictureSelection leaveOutOwnOutputs(const std::vector<std::string>& pictures);

// The same from pictures already chosen and the outputs left out of them.
PictureSelection selectionOf(std::vector<std::string> pictures, const std::vector<LeftOutPicture>& outputs);

// Shows the pictures a data set sweep found, each with a check box, the outputs left out and the
// number of runs the ticked ones make (pictures x codecs x qualities), before anything is coded;
// and the result folder the run files its items in ("DataSetResultFolder"): `resultFolder` to begin
// with, empty for a new folder in `resultsHome`.
class DataSetPictureList : public QDialog {
    Q_OBJECT

public:
    DataSetPictureList(const PictureSelection& found, std::size_t codecs, std::size_t qualities,
                       const QString& resultFolder, const QString& resultsHome, QWidget* parent = nullptr);

    // The ticked pictures, in the order listed.
    std::vector<std::string> chosenPictures() const;
    // "3 pictures x 2 codecs x 4 qualities = 24 runs"
    QString runsText() const;
    // The folder picked, where a run into it again resumes; empty for a new folder.
    QString resultFolder() const;

    QListWidget* list() const { return list_; }

private:
    void countRuns();
    QLayout* resultFolderRow(const QString& picked, const QString& resultsHome);

    std::vector<std::string> pictures_;
    std::size_t codecs_;
    std::size_t qualities_;
    QListWidget* list_ = nullptr;
    QLabel* runs_ = nullptr;
    QLineEdit* resultFolder_ = nullptr;
    QPushButton* start_ = nullptr;
};

}  // namespace brenlow

#include "app/dialogs/dataset_pictures.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/shell/plain_text.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

QString pluralOf(std::size_t count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? one : many));
}

}  // namespace

PictureSelection selectionOf(std::vector<std::string> pictures, const std::vector<LeftOutPicture>& outputs) {
    PictureSelection selection;
    selection.pictures = std::move(pictures);
    for (const LeftOutPicture& output : outputs)
        selection.outputs.push_back(fs::path(output.picture).filename().string() + " (" + output.why + ")");
    return selection;
}

PictureSelection leaveOutOwnOutputs(const std::vector<std::string>& pictures) {
    std::vector<LeftOutPicture> outputs;
    std::vector<std::string> kept = withoutOwnOutputs(pictures, {}, &outputs);
    return selectionOf(std::move(kept), outputs);
}

DataSetPictureList::DataSetPictureList(const PictureSelection& found, std::size_t codecs, std::size_t qualities,
                                       const QString& resultFolder, const QString& resultsHome, QWidget* parent)
    : QDialog(parent), pictures_(found.pictures), codecs_(codecs), qualities_(qualities) {
    setObjectName(QStringLiteral("DataSetPictures"));
    setWindowTitle(QStringLiteral("Data Set Sweep: Pictures"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Untick the pictures to leave out:")));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("DataSetPictureList"));
    for (const std::string& picture : pictures_) {
        auto* item = new QListWidgetItem(QString::fromStdString(fs::path(picture).filename().string()), list_);
        item->setToolTip(plainTip(QString::fromStdString(picture)));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    layout->addWidget(list_, 1);
    if (!found.outputs.empty()) {
        QString text = QStringLiteral("Left out, the workbench's own outputs (%1):").arg(found.outputs.size());
        for (const std::string& output : found.outputs) text += QStringLiteral("\n  ") + QString::fromStdString(output);
        auto* note = plainLabel(text);
        note->setObjectName(QStringLiteral("DataSetLeftOut"));
        note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(note);
    }
    runs_ = new QLabel;
    runs_->setObjectName(QStringLiteral("DataSetRuns"));
    layout->addWidget(runs_);
    layout->addLayout(resultFolderRow(resultFolder, resultsHome));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    start_ = buttons->button(QDialogButtonBox::Ok);
    start_->setText(QStringLiteral("Start"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(list_, &QListWidget::itemChanged, this, &DataSetPictureList::countRuns);
    countRuns();
}

std::vector<std::string> DataSetPictureList::chosenPictures() const {
    std::vector<std::string> chosen;
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->checkState() == Qt::Checked) chosen.push_back(pictures_[static_cast<std::size_t>(row)]);
    return chosen;
}

QString DataSetPictureList::runsText() const { return runs_->text(); }

QString DataSetPictureList::resultFolder() const { return resultFolder_->text().trimmed(); }

QLayout* DataSetPictureList::resultFolderRow(const QString& picked, const QString& resultsHome) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Results in:")));
    resultFolder_ = new QLineEdit(picked);
    resultFolder_->setObjectName(QStringLiteral("DataSetResultFolder"));
    resultFolder_->setPlaceholderText(
        QStringLiteral("a new folder in %1").arg(QDir::toNativeSeparators(resultsHome)));
    resultFolder_->setToolTip(plainTip(QStringLiteral(
        "The folder the run files each finished item in. Run the same data set into the same folder again and "
        "it takes the items made before; leave it empty for a new folder named by the date and the codecs.")));
    resultFolder_->setClearButtonEnabled(true);
    row->addWidget(resultFolder_, 1);
    auto* choose = new QPushButton(QStringLiteral("Choose..."));
    choose->setObjectName(QStringLiteral("DataSetChooseResults"));
    connect(choose, &QPushButton::clicked, this, [this, resultsHome] {
        const QString start = resultFolder().isEmpty() ? resultsHome : resultFolder();
        const QString folder =
            QFileDialog::getExistingDirectory(this, QStringLiteral("Data Set Sweep: Result Folder"), start);
        if (!folder.isEmpty()) resultFolder_->setText(QDir::toNativeSeparators(folder));
    });
    row->addWidget(choose);
    return row;
}

void DataSetPictureList::countRuns() {
    const std::size_t pictures = chosenPictures().size();
    runs_->setText(QStringLiteral("%1 x %2 x %3 = %4")
                       .arg(pluralOf(pictures, "picture", "pictures"), pluralOf(codecs_, "codec", "codecs"),
                            pluralOf(qualities_, "quality", "qualities"),
                            pluralOf(pictures * codecs_ * qualities_, "run", "runs")));
    // A data set of no picture has nothing to show.
    start_->setEnabled(pictures > 0);
}

}  // namespace brenlow

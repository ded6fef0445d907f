#include "app/shell/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/shell/action_icons.h"
#include "brenlow/codec.h"

namespace brenlow {

namespace {

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent, QPoint position) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(position);
    return label;
}

QString buildDetailsText() {
    QStringList lines;
    for (const std::string& line : buildDetailLines()) lines << QString::fromStdString(line);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    QFont smaller = font();
    smaller.setPointSize(8);
    setFont(smaller);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setGeometry(8, 8, 32, 32);
    icon->setPixmap(programIcon().pixmap(32, 32));

    ProductName = makeLabel(QStringLiteral("ProductName"), QStringLiteral("Brenlow"), panel, {104, 16});
    Version = makeLabel(QStringLiteral("Version"),
                        QStringLiteral("Version %1").arg(QString::fromStdString(programVersion())), panel, {104, 40});
    Copyright = makeLabel(QStringLiteral("Copyright"),
                          QStringLiteral("\u00A9 2026 the Brenlow developers"), panel, {104, 60});
    Comments = makeLabel(QStringLiteral("Comments"),
                         QStringLiteral("Questions and reports: brenlow@example.org"), panel, {104, 84});
    Comments->setWordWrap(true);
    Comments->setFixedWidth(170);

    // Below the notice, the panel's full width: the libraries' lines are long and people copy them.
    constexpr int kDetailsTop = 120;
    BuildDetails = makeLabel(QStringLiteral("BuildDetails"), buildDetailsText(), panel, {8, kDetailsTop});
    BuildDetails->setWordWrap(true);
    BuildDetails->setFixedWidth(265);
    BuildDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const int panelHeight = std::max(161, kDetailsTop + BuildDetails->heightForWidth(265) + 8);
    panel->setGeometry(8, 8, 281, panelHeight);
    setFixedSize(298, panelHeight + 57);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(120, panelHeight + 17, 65, 33);
    OKButton->setDefault(true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace brenlow

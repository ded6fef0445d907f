#include <QApplication>

#include "app/main_form.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenlow"));
    QApplication::setApplicationVersion(QStringLiteral("4.0"));

    brenlow::TMainForm mainForm;
    mainForm.show();
    mainForm.openDocuments(application.arguments().mid(1));
    return QApplication::exec();
}

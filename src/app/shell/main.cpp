#include <QApplication>

#include "app/shell/main_form.h"
#include "io/bitmap_file.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenlow"));
    QApplication::setApplicationVersion(QStringLiteral("4.0"));
    // Pictures are read and measured on other threads too: the readers are readied on this one.
    brenlow::prepareImageReaders();

    brenlow::TMainForm mainForm;
    mainForm.show();
    mainForm.openDocuments(application.arguments().mid(1));
    return QApplication::exec();
}

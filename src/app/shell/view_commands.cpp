#include "app/shell/main_form.h"

#include "app/shell/mdi_child.h"
#include "codecs/view_tools.h"

namespace brenlow {

void TMainForm::test1Click() {
    TMDIChild* document = activeDocument();
    if (!document) return;
    writeZoomIn(document->ensurePlanes());
}

void TMainForm::zoomOut1Click() {
    TMDIChild* document = activeDocument();
    if (!document) return;
    writeZoomOut(document->ensurePlanes());
}

void TMainForm::Test2Click() {
    TMDIChild* document = activeDocument();
    if (!document) return;
    sharpenDocument(document->ensurePlanes());
    document->refreshFromPlanes();
}

}  // namespace brenlow

// The frame's printing commands: printer set-up, and printing the active document.
#include "app/ui/main_form.h"
#include "app/ui/print_form.h"
#include "document/ui/mdi_child.h"

#include <QPrinter>

namespace pixorama::ui {

void TMainForm::Druckereinrichten1Click() {
    RunPrinterSetup(MainPrinter(), this);
}

void TMainForm::Drucken1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr || child->Doc().Dib.Bits == nullptr) return;
    const TDibRecord& dib = child->Doc().Dib;
    TPrintOptions options;
    {
        TPrintForm form(MainPrinter(), dib, this);
        if (!form.Run()) return; // cancelled: nothing printed
        options = form.Options();
    }
    PrintDib(MainPrinter(), dib, options, this);
}

} // namespace pixorama::ui

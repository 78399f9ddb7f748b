// What a document window needs from the frame that holds it.
#pragma once

#include "document/display.h"
#include "document/host.h"

#include <QString>

namespace pixorama::ui {

class TMDIChild;

class ChildHost {
  public:
    virtual ~ChildHost() = default;
    // The core's way out (progress, message boxes, menu refresh).
    virtual Host& CoreHost() = 0;
    virtual void UpdateMenuItems() = 0;
    // The frame's save command for this document; the close query reads Modified afterwards.
    virtual void SaveDocument(TMDIChild* child) = 0;
    // Status panel 1.
    virtual void SetImageStatus(const QString& text) = 0;
    virtual bool IsActiveChild(const TMDIChild* child) const = 0;
    // The palette of the active window, for windows drawn while another one is active.
    virtual DisplayPalette ActivePalette() const = 0;
    // A document window became active or is closing.
    virtual void ChildActivated(TMDIChild* child) = 0;
    virtual void ChildClosed(TMDIChild* child) = 0;
};

} // namespace pixorama::ui

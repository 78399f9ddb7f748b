// What a document window needs from the frame that holds it.
#pragma once

#include "document/display.h"
#include "document/host.h"
#include "tools/mouse_view.h"

#include <QColor>
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

    // ---- for the mouse tools ----
    // The tool that is down in the tool palette, and the options panel's values.
    virtual Tool SelectedTool() const = 0;
    virtual TToolOptions ToolOptionValues() const = 0;
    // Status panel 0 or 1.
    virtual void SetStatusPanel(int panel, const QString& text) = 0;
    // The colour read-out of the colour panel: colour and index text ("--" for 24-bit).
    virtual void ShowPixelReadout(const QColor& colour, const QString& index) = 0;
    // The child's zoom changed: fit its window (normal state) and paint box; then, after it
    // scrolled, ZoomShown updates the zoom list, the caption and the menus.
    virtual void FitChildToZoom(TMDIChild* child) = 0;
    virtual void ZoomShown(TMDIChild* child) = 0;
    virtual void Updatehistogramm() = 0;
    // The fill pattern of the main window (a record without pixels when none is loaded).
    virtual const TDibRecord* FillPatternRecord() const = 0;
};

} // namespace pixorama::ui

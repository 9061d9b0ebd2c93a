// The preview view: the bitmap of the selected task's preview, 1:1 at the top left on grey, with
// scroll bars when it is larger than the view.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/scrolwin.h>

#include "platform/DibImage.h"

namespace tavolux::ui {

class CTavoluxView : public wxScrolledWindow {
public:
    explicit CTavoluxView(wxWindow* parent);

    // Shows a copy of image (24 or 32 bits per pixel, top row first); an empty one clears.
    void ShowImage(const DibImage& image);
    void Clear();

    // What the view shows now: empty when nothing.
    const wxImage& Image() const { return m_image; }

    // The preview's picture as a bitmap of the toolkit (blue, green, red rows to RGB).
    static wxImage ToImage(const DibImage& image);

private:
    void OnPaint(wxPaintEvent& event);

    wxImage m_image;
    wxBitmap m_bitmap;
};

}  // namespace tavolux::ui

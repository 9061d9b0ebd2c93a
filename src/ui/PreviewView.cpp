#include "ui/PreviewView.h"

#include <wx/dcclient.h>

namespace tavolux::ui {

namespace {

const wxColour kBackground(128, 128, 128);

}  // namespace

CTavoluxView::CTavoluxView(wxWindow* parent)
    : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                       wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(kBackground);
    SetScrollRate(FromDIP(10), FromDIP(10));
    Bind(wxEVT_PAINT, &CTavoluxView::OnPaint, this);
}

wxImage CTavoluxView::ToImage(const DibImage& image)
{
    if (image.Empty() || (image.bitsPerPixel != 24 && image.bitsPerPixel != 32) ||
        image.pixels.size() < image.RowBytes() * static_cast<size_t>(image.height)) {
        return {};
    }
    wxImage out(image.width, image.height, false);
    unsigned char* rgb = out.GetData();
    const int bytes = image.bitsPerPixel / 8;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = image.Row(y);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* bgr = row + static_cast<ptrdiff_t>(x) * bytes;
            *rgb++ = bgr[2];
            *rgb++ = bgr[1];
            *rgb++ = bgr[0];
        }
    }
    return out;
}

void CTavoluxView::ShowImage(const DibImage& image)
{
    m_image = ToImage(image);
    m_bitmap = m_image.IsOk() ? wxBitmap(m_image) : wxBitmap();
    // Scroll units cover the bitmap in device pixels: it is drawn 1:1.
    SetVirtualSize(m_bitmap.IsOk() ? m_bitmap.GetSize() : wxSize(0, 0));
    Scroll(0, 0);
    Refresh();
}

void CTavoluxView::Clear()
{
    ShowImage(DibImage{});
}

void CTavoluxView::OnPaint(wxPaintEvent& /*event*/)
{
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(kBackground));
    dc.Clear();
    DoPrepareDC(dc);
    if (m_bitmap.IsOk()) {
        dc.DrawBitmap(m_bitmap, 0, 0, false);
    }
}

}  // namespace tavolux::ui

#pragma once

#include "audio/MMColors.h"
#include "audio/MMGeometry.h"
#include "platform/Exception.h"
#include "spectrum/MMDIBPalette.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

class QPainter;
class QWidget;

SONAVIA_ERROR_CLASS(EMMDIBError, platform::Exception)

// What display code may read between BeginDraw and EndDraw to write pixels
// itself. Bits points at the top line of the picture; lines further down lie
// SignedStride bytes further on (negative: rows are stored bottom-up).
struct TDIBSurface {
    int BitsPerPixel = 0;
    int BytesPerPixel = 0;
    int Width = 0;
    int Height = 0;
    int Stride = 0;
    int SignedStride = 0;
    std::uint8_t* Bits = nullptr;
    TRect ClipRect;
    TPoint Position;
    std::uint32_t ColorWord = 0;
};

// An off-screen picture the displays draw a whole frame into, then copy to the
// screen in one transfer. Pixels live in the surface's own memory: 8-bit palette
// indices or 24-bit blue, green, red bytes, rows bottom-up on a 4-byte stride.
class TMMDIBCanvas {
public:
    explicit TMMDIBCanvas(QWidget* owner = nullptr);
    ~TMMDIBCanvas();
    TMMDIBCanvas(const TMMDIBCanvas&) = delete;
    TMMDIBCanvas& operator=(const TMMDIBCanvas&) = delete;

    int BitsPerPixel() const { return fBitsPerPixel; }
    void SetBitsPerPixel(int bits);
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    void SetSize(int width, int height);

    bool PaletteRealize() const { return fPaletteRealize; }
    void SetPaletteRealize(bool value);
    bool PaletteMapped() const { return fPaletteMapped; }
    void SetPaletteMapped(bool value) { fPaletteMapped = value; }
    const QImage& BackGroundBitmap() const { return fBackGround; }
    void SetBackGroundBitmap(const QImage& picture);
    bool StretchBackGround() const { return fStretchBackGround; }
    void SetStretchBackGround(bool value);
    void SetPalette(const TLogPalette* palette); // nullptr: none

    const TDIBPalette& Palette() const { return fPalette; }

    // Pixel value of a colour: nearest palette index (8 bits) or 0x00RRGGBB (24 bits).
    std::uint32_t ColorToPixel(TColor color) const;
    void SetColor(TColor color) { SetPixelValue(ColorToPixel(color)); }
    void SetPixelValue(std::uint32_t value);

    // Enters the process-wide drawing lock; pairs with EndDraw on the same thread.
    void BeginDraw();
    void EndDraw();
    bool Drawing() const { return fDrawing; }
    const TDIBSurface& Surface() const { return fSurface; }

    // Raster operations: only between BeginDraw and EndDraw, clipped to ClipRect.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void HLine(int y, int x1, int x2);
    void VLine(int x, int y1, int y2);
    void DottedHLine(int gap, int y, int x1, int x2);
    void DottedVLine(int gap, int x, int y1, int y2);
    void FillRect(const TRect& rect);
    void FillRectDotted(const TRect& rect);
    void Clear();
    // Copies from a pixel block of this surface's size and layout (see Bits()).
    void CopyBits(const TRect& destination, const std::uint8_t* sourceBits, int sx, int sy);
    void SetPixel(int x, int y, std::uint32_t value);
    void TextOut(int x, int y, const QString& text, TColor color);

    TRect ClipRect() const { return fClipRect; }
    void SetClipRect(const TRect& rect);

    // Font for TextOut and text measuring.
    QFont& Font() { return fFont; }
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;

    // Pixel value at (x, y), for tests and display code; (0, 0) is the top left.
    std::uint32_t Pixel(int x, int y) const;
    // Start of the pixel memory (the bottom line), as CopyBits expects it;
    // nullptr until the first BeginDraw after a change.
    const std::uint8_t* Bits() const;
    const std::uint8_t* BackGroundBits() const;

    // Copies a Right-Left by Bottom-Top block from (sx, sy) to the destination.
    void CopyTo(QPainter* target, const TRect& destination, int sx, int sy);

    // Makes the picture now rather than at the next BeginDraw.
    void RecreateDIB();

    static std::recursive_mutex& DrawLock();

private:
    int Stride() const;
    std::uint8_t* Row(int y);
    const std::uint8_t* Row(int y) const;
    void MarkForRecreation();
    void CreateDIB();
    void RenderBackGround();
    void Put(int x, int y);
    void Run(int y, int x1, int x2); // x1 <= x2, already clipped

    QWidget* fOwner;
    int fBitsPerPixel = 8;
    int fWidth = 1;
    int fHeight = 1;
    bool fPaletteRealize = false;
    bool fPaletteMapped = false;
    bool fStretchBackGround = true;
    QImage fBackGround;
    TLogPalette fCustomPalette;
    bool fHasCustomPalette = false;
    TDIBPalette fPalette;
    // Colours already looked up in the palette, with their pixel values.
    static constexpr TColor kNoColor = 0xFFFFFFFFu; // no colour has this value
    mutable std::array<std::pair<TColor, std::uint32_t>, 8> fKnownColors{{{kNoColor, 0},
                                                                          {kNoColor, 0},
                                                                          {kNoColor, 0},
                                                                          {kNoColor, 0},
                                                                          {kNoColor, 0},
                                                                          {kNoColor, 0},
                                                                          {kNoColor, 0},
                                                                          {kNoColor, 0}}};
    mutable std::size_t fNextKnownColor = 0;

    bool fRecreatePending = true;
    bool fDrawing = false;
    int fMadeWidth = 0;
    int fMadeHeight = 0;
    int fMadeBits = 0;
    std::vector<std::uint8_t> fBits;
    std::vector<std::uint8_t> fBackGroundBits;

    TRect fClipRect{0, 0, 1, 1};
    TPoint fPosition;
    std::uint32_t fColorWord = 0;
    TDIBSurface fSurface;
    QFont fFont;
};

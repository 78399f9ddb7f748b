// Text into a 1-bit mask: fontconfig picks the font file, FreeType draws monochrome glyphs.
#include "tools/text_render.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace pixorama {

namespace {

// The one FreeType library of the process (made on first use, kept to the end).
FT_Library freetype() {
    static FT_Library lib = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        if (FT_Init_FreeType(&lib) != 0)
            lib = nullptr;
    });
    return lib;
}

// A face opened for one rendering, closed at the end of the scope.
class Face {
  public:
    Face() = default;
    ~Face() {
        if (face_ != nullptr)
            FT_Done_Face(face_);
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    bool open(const TFontMatch& m, int pixelSize) {
        FT_Library lib = freetype();
        if (lib == nullptr || FT_New_Face(lib, m.File.c_str(), m.Index, &face_) != 0) {
            face_ = nullptr;
            return false;
        }
        return FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize)) == 0;
    }
    FT_Face get() const { return face_; }

  private:
    FT_Face face_ = nullptr;
};

// Code points of a UTF-8 line; a broken sequence stands as U+FFFD.
std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = i + static_cast<size_t>(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((c & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += 1 + static_cast<size_t>(extra);
    }
    return out;
}

constexpr FT_Int32 kLoadFlags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO;

// Advance widths in whole pixels, looked up once per character.
class Advances {
  public:
    explicit Advances(FT_Face face) : face_(face) {}
    int32_t of(char32_t cp) {
        const auto it = cache_.find(cp);
        if (it != cache_.end())
            return it->second;
        int32_t adv = 0;
        if (FT_Load_Char(face_, cp, kLoadFlags) == 0)
            adv = static_cast<int32_t>((face_->glyph->advance.x + 32) >> 6);
        cache_.emplace(cp, adv);
        return adv;
    }

  private:
    FT_Face face_;
    std::unordered_map<char32_t, int32_t> cache_;
};

uint8_t* rowOf(const TDibRecord& d, int32_t y) {
    return d.Bits + static_cast<size_t>(DibHeight(&d) - 1 - y) * static_cast<size_t>(d.LineBytes);
}

// ORs a monochrome glyph bitmap into the mask with its top-left corner at (x0, y0); whatever
// lies outside the mask is cut off.
void blitMono(TDibRecord& mask, const FT_Bitmap& bm, int32_t x0, int32_t y0) {
    const int32_t w = DibWidth(&mask), h = DibHeight(&mask);
    for (unsigned r = 0; r < bm.rows; ++r) {
        const int32_t y = y0 + static_cast<int32_t>(r);
        if (y < 0 || y >= h)
            continue;
        const unsigned char* src =
            bm.buffer + static_cast<ptrdiff_t>(r) * static_cast<ptrdiff_t>(bm.pitch);
        uint8_t* dst = rowOf(mask, y);
        for (unsigned c = 0; c < bm.width; ++c) {
            if (!((src[c >> 3] >> (7 - (c & 7))) & 1))
                continue;
            const int32_t x = x0 + static_cast<int32_t>(c);
            if (x >= 0 && x < w)
                dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
    }
}

// Rows top..top + thickness - 1 of columns x0..x0 + width - 1 set, cut at the mask's edges.
void fillBar(TDibRecord& mask, int32_t x0, int32_t width, int32_t top, int32_t thickness) {
    const int32_t w = DibWidth(&mask), h = DibHeight(&mask);
    const int32_t l = std::max(x0, 0), r = std::min(x0 + width, w);
    for (int32_t y = std::max(top, 0); y < std::min(top + thickness, h); ++y) {
        uint8_t* row = rowOf(mask, y);
        for (int32_t x = l; x < r; ++x)
            row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
}

// Font units at this size, in whole pixels (nearest).
int32_t scaledPixels(FT_Face f, FT_Long units) {
    return static_cast<int32_t>((FT_MulFix(units, f->size->metrics.y_scale) + 32) >> 6);
}

// Offset above the baseline and thickness of the underline or the strike-out bar.
struct Bar {
    int32_t Above, Thickness;
};
Bar underlineBar(FT_Face f) {
    const int32_t t = std::max<int32_t>(1, scaledPixels(f, f->underline_thickness));
    return {scaledPixels(f, f->underline_position) + t / 2, t};
}
Bar strikeOutBar(FT_Face f, int32_t ascent) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        const int32_t t = std::max<int32_t>(1, scaledPixels(f, os2->yStrikeoutSize));
        return {scaledPixels(f, os2->yStrikeoutPosition), t}; // the bar's top edge
    }
    const Bar u = underlineBar(f);
    return {ascent * 3 / 10 + u.Thickness / 2, u.Thickness};
}

} // namespace

int FontPixelsOfPoints(double points) {
    const double px = points * 96.0 / 72.0;
    if (!(px < kTextMaxPixelSize + 1.0))
        return kTextMaxPixelSize + 1; // refused by the renderer
    return px < 0.5 ? 0 : static_cast<int>(px + 0.5);
}

bool TextIsEmpty(const std::vector<std::string>& lines) {
    return std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); });
}

std::vector<std::string> SplitTextLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (true) {
        const size_t nl = text.find('\n', start);
        std::string line =
            text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
    return lines;
}

TFontMatch MatchFont(const TTextFont& font) {
    TFontMatch m;
    static std::mutex fcMutex; // fontconfig's default configuration is shared
    const std::lock_guard<std::mutex> lock(fcMutex);
    static const bool ready = [] {
        if (FcInit() == FcFalse)
            return false;
        // fontconfig's configuration is freed at the end, so that nothing of it looks lost
        std::atexit(FcFini);
        return true;
    }();
    if (!ready)
        return m;
    FcPattern* pat = FcPatternCreate();
    if (pat == nullptr)
        return m;
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(font.Family.c_str()));
    FcPatternAddDouble(pat, FC_PIXEL_SIZE, font.PixelSize);
    FcPatternAddInteger(pat, FC_WEIGHT, font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (match == nullptr)
        return m;
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        m.Found = true;
        m.File = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
            m.Index = index;
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr)
            m.Family = reinterpret_cast<const char*>(family);
    }
    FcPatternDestroy(match);
    return m;
}

TextRenderResult RenderTextMask(const std::vector<std::string>& lines, const TTextFont& font,
                                int align, TDibRecord& mask, std::string* usedFamily) {
    std::memset(&mask, 0, sizeof(mask));
    if (TextIsEmpty(lines))
        return TextRenderResult::Empty;
    if (font.PixelSize < kTextMinPixelSize || font.PixelSize > kTextMaxPixelSize)
        return TextRenderResult::TooLarge;
    // characters without width would pass the size bounds; the text's length has its own
    size_t bytes = 0;
    for (const std::string& l : lines)
        bytes += l.size();
    if (bytes > kTextMaxBytes)
        return TextRenderResult::TooLarge;
    const TFontMatch match = MatchFont(font);
    Face face;
    if (!match.Found || !face.open(match, font.PixelSize))
        return TextRenderResult::NoFont;
    if (usedFamily != nullptr)
        *usedFamily = match.Family;
    FT_Face f = face.get();
    // line height as the font reports it: ascent and descent at this size (whole pixels)
    const int32_t ascent = static_cast<int32_t>((f->size->metrics.ascender + 63) >> 6);
    const int32_t descent = static_cast<int32_t>((-f->size->metrics.descender + 63) >> 6);
    const int32_t lineHeight = std::max<int32_t>(1, ascent + descent);

    // measure: the widest line, the sum of the heights; stop as soon as a bound is passed
    if (static_cast<int64_t>(lines.size()) * lineHeight > kTextMaxExtent)
        return TextRenderResult::TooLarge;
    Advances advances(f);
    std::vector<std::u32string> text;
    std::vector<int32_t> widths;
    text.reserve(lines.size());
    int64_t W = 0;
    for (const std::string& l : lines) {
        text.push_back(decodeUtf8(l));
        int64_t w = 0;
        for (char32_t cp : text.back()) {
            w += advances.of(cp);
            if (w > kTextMaxExtent)
                return TextRenderResult::TooLarge;
        }
        widths.push_back(static_cast<int32_t>(w));
        W = std::max(W, w);
    }
    const int64_t H = static_cast<int64_t>(lines.size()) * lineHeight;
    if (W <= 0)
        return TextRenderResult::Empty;
    if (W * H > kTextMaxPixels)
        return TextRenderResult::TooLarge;

    DibHolder m;
    newdib(&m.get(), static_cast<int32_t>(W), static_cast<int32_t>(H), 1, nullptr, 0);
    if (!m.ok())
        return TextRenderResult::TooLarge;
    const Bar under = underlineBar(f), strike = strikeOutBar(f, ascent);
    for (size_t k = 0; k < text.size(); ++k) {
        const int32_t width = widths[k];
        int32_t x = 0;
        if (align == kAlignRight)
            x = static_cast<int32_t>(W) - width;
        else if (align == kAlignCenter)
            x = (static_cast<int32_t>(W) - width) / 2;
        const int32_t baseline = static_cast<int32_t>(k) * lineHeight + ascent;
        if (font.Underline)
            fillBar(m.get(), x, width, baseline - under.Above, under.Thickness);
        if (font.StrikeOut)
            fillBar(m.get(), x, width, baseline - strike.Above, strike.Thickness);
        for (char32_t cp : text[k]) {
            if (FT_Load_Char(f, cp, kLoadFlags | FT_LOAD_RENDER) == 0) {
                const FT_GlyphSlot g = f->glyph;
                if (g->bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    blitMono(m.get(), g->bitmap, x + g->bitmap_left, baseline - g->bitmap_top);
            }
            x += advances.of(cp);
        }
    }
    mask = m.release();
    return TextRenderResult::Ok;
}

} // namespace pixorama

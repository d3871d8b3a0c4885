// Static imaging helpers that a host application uses: palettes, palette
// files, true-colour conversion and text drawn onto pictures.
#pragma once

#include "public/Email32Api.h"
#include "public/framework/CString.h"
#include "public/framework/Gdi.h"

#include <windows.h>

// The image object of the maker's image library; hosts that draw on pictures
// include its header, others never need its layout.
class PPixo;

class EMAIL32_API CUtility {
public:
    // A new palette of `count` red-green-blue triples with flags 0, owned by
    // the caller; null for a null table, fewer than 2 entries or more than a
    // palette can hold.
    [[nodiscard]] static CPalette* BuildPalette(unsigned char* colourTable, int count);
    // Replaces the destination's palette with the first 256 entries of the
    // source's (flags 0). 0 and nothing changed for a null object or a source
    // without a palette.
    [[nodiscard]] static int CopyPalette(CPalette* destination, CPalette* source);
    // A new palette read from a palette file, owned by the caller; null when
    // the file cannot be read or is not a palette file.
    [[nodiscard]] static CPalette* LoadFilePalette(CString path);
    // Writes up to 256 entries of the palette, flags included, as a palette
    // file; 1 when written, 0 when the file could not be written.
    [[nodiscard]] static int SavePalette(CString path, CPalette* palette);

    // Copies any picture into a 24-bit picture; always 1.
    static int TransToTrueClr(PPixo* destination, PPixo* source);
    // Writes text in one colour into a 24-bit picture from its top-left
    // corner; `point` is not read. 1 when written, 0 for a missing, empty or
    // not 24-bit picture.
    [[nodiscard]] static int PixoTextOut(PPixo* image, CString text, CPoint* point, CFont* font, unsigned long colour);
    // Writes text into a 24-bit picture laid out in `rect` (the whole picture
    // when null) with DrawText's format flags; the caller's rectangle is not
    // changed. Returns the drawn text's height as DrawText reports it, or 0.
    [[nodiscard]] static int PixoDrawText(PPixo* image, const CString& text, RECT* rect, CFont* font,
                                          unsigned long colour, unsigned int format);

    CUtility() = default;
    CUtility(const CUtility&) = default;
    // The class holds no data; assignment exists for hosts that copy it.
    CUtility& operator=(const CUtility& other);
};

// "Kromo": converts a picture from one image type to another.
#pragma once

#include <windows.h>

class PPixo;

// How ConvertImg maps colours that the target cannot hold: three 16-bit
// fields. mapping 2 takes the nearest colour; mapping 7 diffuses the error
// (Floyd-Steinberg) so that areas keep their average colour.
struct PKromoMethod {
    WORD mapping;
    WORD reserved;
    WORD strength;  // accepted, unused: diffusion is always full strength
};

class PKromo {
public:
    static constexpr WORD kNearestColour = 2;
    static constexpr WORD kErrorDiffusion = 7;

    PKromo() = default;
    PKromo(const PKromo&) = delete;
    PKromo& operator=(const PKromo&) = delete;
    virtual ~PKromo();

    // Prepares converting source into target, which must have been created
    // with the source's size and the wanted type (and colour table). Both stay
    // owned by the caller and must live until ConvertImg has run.
    BOOL BuildAgent(PPixo* target, const PPixo* source, const PKromoMethod& method);
    BOOL BuildAgent(PPixo& target, const PPixo& source, const PKromoMethod& method) {
        return BuildAgent(&target, &source, method);
    }
    // Fills the target with the source's picture in the target's layout.
    BOOL ConvertImg(void* progress, void* reserved1, void* reserved2, int reserved3, int quality);

    // A palette fitted to the picture's colours by median cut: the picture's
    // own colours when it has no more than `colours` of them. Owned by the
    // caller; null for an empty picture.
    static HPALETTE CreateCustomPalette(const PPixo& image, int colours = 256);
    static HPALETTE CreateCustomPalette(const PPixo* image, int colours = 256) {
        return image ? CreateCustomPalette(*image, colours) : nullptr;
    }

private:
    PPixo* m_target = nullptr;
    const PPixo* m_source = nullptr;
    PKromoMethod m_method{kNearestColour, 0, 0};
};

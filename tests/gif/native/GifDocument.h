// Native test support: a GIF file read through the codec's core into plain
// images of colour indices, and written back through its encoder.
#pragma once

#include "gif/core/ByteView.h"
#include "gif/core/Lzw.h"

#include <cstdint>
#include <string>
#include <vector>

namespace giftest {

struct Image {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    int minCodeSize = 0;
    std::vector<std::uint8_t> colourTable;  // RGB triples in use (local, else global)
    std::vector<std::uint8_t> indices;      // width x height, rows in image order
    int rowsWritten = 0;
};

struct Document {
    std::vector<std::uint8_t> head;  // header and global table as read
    std::vector<Image> images;
    int applications = 0, comments = 0, plainTexts = 0, graphicControls = 0, unknownExtensions = 0;
    bool headCutOff = false;
};

// Reads every image; stops as the module's block loop stops. Images of
// more than maxPixels are decoded but not kept.
Document Read(email32::gif::core::ByteView file, std::size_t maxPixels = std::size_t{1} << 26);

// A GIF89a file of the images (each with a local colour table when it has
// one), encoded by the core's encoder.
std::vector<std::uint8_t> Write(int screenWidth, int screenHeight, const std::vector<Image>& images);
void Write(int screenWidth, int screenHeight, const std::vector<Image>& images, email32::gif::core::ByteSink& sink);

std::vector<std::uint8_t> LoadFile(const std::string& path);

}  // namespace giftest

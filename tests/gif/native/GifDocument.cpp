#include "tests/gif/native/GifDocument.h"

#include "gif/core/BlockWalker.h"
#include "gif/core/Blocks.h"
#include "gif/core/Lzw.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace giftest {
namespace {

using namespace email32::gif::core;

class IndexSink final : public email32::gif::core::RowSink {
public:
    explicit IndexSink(Image& image) : m_image(image) {}
    void PutRow(int row, const std::uint8_t* pixels) override {
        std::memcpy(m_image.indices.data() + static_cast<std::size_t>(row) * m_image.width, pixels,
                    static_cast<std::size_t>(m_image.width));
    }

private:
    Image& m_image;
};

class Reader final : public email32::gif::core::BlockVisitor {
public:
    Reader(Document& document, std::size_t maxPixels) : m_document(document), m_maxPixels(maxPixels) {}

    // Each block as the module reads it; the walk goes on after the whole
    // sub-block chain, as it does in the module.
    std::size_t OnExtension(email32::gif::core::ByteView atLabel) override {
        const std::size_t whole = email32::gif::core::ExtensionBytes(atLabel);
        if (whole == email32::gif::core::kCutOff) return email32::gif::core::kCutOff;
        switch (atLabel.At(0)) {
        case email32::gif::core::kGraphicControlLabel:
            if (!atLabel.Has(0, email32::gif::core::kGraphicControlBytes)) return email32::gif::core::kCutOff;
            ++m_document.graphicControls;
            break;
        case email32::gif::core::kPlainTextLabel: {
            if (!atLabel.Has(0, email32::gif::core::kPlainTextHeaderBytes)) return email32::gif::core::kCutOff;
            std::string text;
            if (email32::gif::core::ReadTextChain(atLabel.From(email32::gif::core::kPlainTextHeaderBytes), &text) ==
                email32::gif::core::kCutOff)
                return email32::gif::core::kCutOff;
            ++m_document.plainTexts;
            break;
        }
        case email32::gif::core::kCommentLabel: {
            std::string text;
            if (email32::gif::core::ReadTextChain(atLabel.From(1), &text) == email32::gif::core::kCutOff)
                return email32::gif::core::kCutOff;
            ++m_document.comments;
            break;
        }
        case email32::gif::core::kApplicationLabel:
            if (email32::gif::core::ApplicationBytes(atLabel) == email32::gif::core::kCutOff)
                return email32::gif::core::kCutOff;
            ++m_document.applications;
            break;
        default: ++m_document.unknownExtensions; break;
        }
        return whole;
    }

    std::size_t OnImage(email32::gif::core::ByteView at) override {
        const std::size_t position = email32::gif::core::ImageHeaderBytes(at);
        if (position == email32::gif::core::kCutOff) return email32::gif::core::kCutOff;
        Image image;
        image.left = at.U16At(1);
        image.top = at.U16At(3);
        image.width = at.U16At(5);
        image.height = at.U16At(7);
        const std::uint8_t packed = at.At(9);
        image.interlaced = (packed & email32::gif::core::kInterlaceFlag) != 0;
        if (packed & email32::gif::core::kColourTableFlag) {
            image.colourTable.assign(at.data + 10, at.data + position);
        } else if (m_document.head.size() > email32::gif::core::kHeaderBytes) {
            image.colourTable.assign(m_document.head.begin() + email32::gif::core::kHeaderBytes, m_document.head.end());
        }
        image.minCodeSize = at.At(position);
        const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
        const bool keep = pixels <= m_maxPixels;
        if (keep) image.indices.assign(pixels, 0);
        Image discard;
        IndexSink sink(keep ? image : discard);
        class NullSink final : public email32::gif::core::RowSink {
            void PutRow(int, const std::uint8_t*) override {}
        } none;
        const email32::gif::core::DecodeOutcome outcome = email32::gif::core::DecodeLzw(
            at.From(position), image.width, image.height, image.interlaced,
            keep ? static_cast<email32::gif::core::RowSink&>(sink) : static_cast<email32::gif::core::RowSink&>(none));
        image.rowsWritten = outcome.rowsWritten;
        m_document.images.push_back(std::move(image));
        return position + outcome.consumed;
    }

    bool Enough() override { return false; }

private:
    Document& m_document;
    std::size_t m_maxPixels;
};

class VectorSink final : public email32::gif::core::ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& out) : m_out(out) {}
    void Write(const std::uint8_t* bytes, std::size_t count) override {
        m_out.insert(m_out.end(), bytes, bytes + count);
    }

private:
    std::vector<std::uint8_t>& m_out;
};

class ImageRows final : public email32::gif::core::RowSource {
public:
    explicit ImageRows(const Image& image) : m_image(image) {}
    const std::uint8_t* GetRow(int k) override {
        const int row = email32::gif::core::ImageRowForFileOrder(k, m_image.height, m_image.interlaced);
        return m_image.indices.data() + static_cast<std::size_t>(row) * m_image.width;
    }

private:
    const Image& m_image;
};

void PutU16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

Document Read(email32::gif::core::ByteView file, std::size_t maxPixels) {
    Document document;
    const std::size_t headBytes = email32::gif::core::HeadBytes(file);
    if (headBytes == 0 || !file.Has(0, headBytes)) {
        document.headCutOff = true;
        return document;
    }
    document.head.assign(file.data, file.data + headBytes);
    Reader reader(document, maxPixels);
    email32::gif::core::WalkBlocks(file, headBytes, reader);
    return document;
}

void Write(int screenWidth, int screenHeight, const std::vector<Image>& images, email32::gif::core::ByteSink& sink) {
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    PutU16(out, screenWidth);
    PutU16(out, screenHeight);
    out.push_back(0);
    out.push_back(0);
    out.push_back(0);
    for (const Image& image : images) {
        out.push_back(email32::gif::core::kImageSeparator);
        PutU16(out, image.left);
        PutU16(out, image.top);
        PutU16(out, image.width);
        PutU16(out, image.height);
        std::uint8_t packed = image.interlaced ? email32::gif::core::kInterlaceFlag : 0;
        std::size_t entries = 0;
        if (!image.colourTable.empty()) {
            int sizeBits = 0;
            while ((2u << sizeBits) * 3 < image.colourTable.size()) ++sizeBits;
            packed |= static_cast<std::uint8_t>(email32::gif::core::kColourTableFlag | sizeBits);
            entries = 2u << sizeBits;
        }
        out.push_back(packed);
        for (std::size_t i = 0; i < entries * 3; ++i)
            out.push_back(i < image.colourTable.size() ? image.colourTable[i] : 0);
        sink.Write(out.data(), out.size());
        out.clear();
        ImageRows rows(image);
        email32::gif::core::EncodeLzw(image.minCodeSize, image.width, image.height, rows, sink);
    }
    out.push_back(email32::gif::core::kTrailer);
    sink.Write(out.data(), out.size());
}

std::vector<std::uint8_t> Write(int screenWidth, int screenHeight, const std::vector<Image>& images) {
    std::vector<std::uint8_t> out;
    VectorSink sink(out);
    Write(screenWidth, screenHeight, images, sink);
    return out;
}

std::vector<std::uint8_t> LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace giftest

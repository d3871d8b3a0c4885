#include "gif/GifBlock.h"

IMPLEMENT_SERIAL(CGifBlock, CObject, 1)

void CGifBlock::Serialize(CArchive& /*archive*/) {}

std::size_t CGifBlock::Read(const BYTE* /*p*/, std::size_t /*available*/) { return 0; }

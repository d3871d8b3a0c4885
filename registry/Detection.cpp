#include "registry/Detection.h"

namespace email32 {

bool DetectEmailSystem(const char* /*systemKey*/, const char* /*cataloguePath*/, std::string& /*foundPath*/) {
    return false;
}

}  // namespace email32

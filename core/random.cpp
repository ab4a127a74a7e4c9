#include "core/random.h"

#include <ctime>

namespace tamarisk::core {

std::uint32_t Random::clockSeed() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return static_cast<std::uint32_t>((local.tm_sec * 2 + 1) * (local.tm_hour + 1));
}

} // namespace tamarisk::core

#pragma once

#include <string_view>

// The registered domains of the two hosting services whose addresses the rewrite rules know.
namespace tamarisk::core {

inline constexpr std::string_view TripodDomain = "tripod.com";
inline constexpr std::string_view WebjumpDomain = "webjump.com";
inline constexpr std::string_view WebjumpSubdomainSuffix = ".webjump.com";

static_assert(TripodDomain.size() == 10);
static_assert(WebjumpDomain.size() == 11);
static_assert(WebjumpSubdomainSuffix.size() == 12 && WebjumpSubdomainSuffix.substr(1) == WebjumpDomain);

/// The head label of Webjump's numbered servers.
inline constexpr std::string_view kFreehostingHead = "freehosting";

} // namespace tamarisk::core

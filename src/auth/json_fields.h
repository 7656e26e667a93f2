#pragma once
// Members of the sign-in endpoints' JSON answers, read without trusting their types.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>
#include <string>

// A string member; "" when absent or not a string.
inline std::string JsonText(const nlohmann::json& object, const char* name) {
    const auto found = object.find(name);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// A number of seconds, given as a number or a string of digits (both are met), kept between 0
// and a day so that no time computed from it overflows; `fallback` when absent or unreadable.
inline std::chrono::seconds JsonSeconds(const nlohmann::json& object, const char* name,
                                        std::chrono::seconds fallback) {
    constexpr std::int64_t kMax = 24 * 3600;
    const auto found = object.find(name);
    if (found == object.end()) return fallback;
    std::int64_t value = fallback.count();
    if (found->is_number_integer() && found->is_number_unsigned()) {
        value = found->get<std::uint64_t>() > static_cast<std::uint64_t>(kMax)
                    ? kMax
                    : static_cast<std::int64_t>(found->get<std::uint64_t>());
    } else if (found->is_number_integer()) {
        value = found->get<std::int64_t>();
    } else if (found->is_string()) {
        try {
            value = std::stoll(found->get<std::string>());
        } catch (const std::exception&) {
        }
    }
    return std::chrono::seconds(std::clamp<std::int64_t>(value, 0, kMax));
}

#pragma once

#include <type_traits>

// A window's own control ids are a scoped enum inside its class, so that they never shadow the
// frame's commands nor pass for them; wx takes ints, and this is the one place they become one.
template <typename Id>
requires std::is_enum_v<Id>
constexpr int WxId(Id id) {
    return static_cast<int>(id);
}

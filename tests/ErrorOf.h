#pragma once
// What a failing call says.

#include "data/DbError.h"

#include <functional>
#include <string>

/// The message of the EDatabaseError that `work` raises; empty when it raises none.
inline std::string errorOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const data::EDatabaseError &e) {
        return e.what();
    }
    return {};
}

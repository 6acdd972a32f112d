// Handles as the system calls take them: small numbers, each naming an
// object of the runtime's in the table of its kind. A handle that names
// nothing finds nothing, and the call it was given to fails and returns 0,
// as the system calls do. Internal to the runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>

namespace rt {

using HDC = std::intptr_t;
using HWND = std::intptr_t;
using HRGN = std::intptr_t;

// The objects one kind of handle names. Each table numbers from its own
// first value, so that a handle of one kind never names an object of another.
template <typename T>
class HandleTable {
public:
    explicit HandleTable(std::intptr_t first) : next_(first) {}
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    std::intptr_t add(T object) {
        const std::intptr_t handle = next_++;
        objects_.emplace(handle, std::move(object));
        return handle;
    }
    // What the handle names; T() (a null pointer, an empty region) for none.
    T find(std::intptr_t handle) const {
        const auto it = objects_.find(handle);
        return it == objects_.end() ? T() : it->second;
    }
    // Removes the handle and returns what it named, T() for none.
    T take(std::intptr_t handle) {
        const auto it = objects_.find(handle);
        if (it == objects_.end()) return T();
        T object = std::move(it->second);
        objects_.erase(it);
        return object;
    }
    std::size_t size() const { return objects_.size(); }

private:
    std::intptr_t next_;
    std::unordered_map<std::intptr_t, T> objects_;
};

}  // namespace rt

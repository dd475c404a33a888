// A key of the in-memory registry: its subkeys, sorted without regard to letter case, and its
// values in the order they were made.
#pragma once

#include "registry/hive_registry.h"
#include "registry/reg_text.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vintrel::registry {

struct HiveRegistry::Node {
    struct Value {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    std::vector<std::pair<std::string, std::unique_ptr<Node>>> children;  // sorted, ignoring case
    std::vector<Value> values;                                            // in creation order

    Node* child(const std::string& name) const {
        for (const auto& [n, c] : children) {
            if (sameName(n, name)) {
                return c.get();
            }
        }
        return nullptr;
    }
    Node* addChild(const std::string& name) {
        auto it = std::lower_bound(
            children.begin(), children.end(), name,
            [](const auto& entry, const std::string& n) { return lessName(entry.first, n); });
        it = children.insert(it, {name, std::make_unique<Node>()});
        return it->second.get();
    }
    void removeChild(const std::string& name) {
        std::erase_if(children, [&](const auto& entry) { return sameName(entry.first, name); });
    }
    Value* value(const std::string& name) {
        for (Value& v : values) {
            if (sameName(v.name, name)) {
                return &v;
            }
        }
        return nullptr;
    }
};

}  // namespace vintrel::registry

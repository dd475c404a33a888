#include "registry/hive_registry.h"

#include "registry/hive_node.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vintrel::registry {

HiveRegistry::HiveRegistry() {
    for (HKey root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine}) {
        roots_[root] = std::make_unique<Node>();
    }
}

HiveRegistry::~HiveRegistry() = default;

HiveRegistry::Node* HiveRegistry::resolve(HKey key) const {
    if (const auto r = roots_.find(key); r != roots_.end()) {
        return r->second.get();
    }
    const auto h = handles_.find(key);
    return h == handles_.end() ? nullptr : h->second;
}

HiveRegistry::Node* HiveRegistry::walk(Node* from, const std::string& path, bool create, bool* created) {
    Node* node = from;
    size_t start = 0;
    while (node != nullptr && start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (!part.empty()) {
            Node* next = node->child(part);
            if (next == nullptr && create) {
                next = node->addChild(part);
                if (created != nullptr) {
                    *created = true;
                }
            }
            node = next;
        }
        start = end + 1;
    }
    return node;
}

long HiveRegistry::RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t, std::uint32_t,
                                 HKey* result) {
    *result = 0;
    Node* base = resolve(key);
    if (base == nullptr) {
        return kInvalidHandle;
    }
    Node* node = walk(base, subKey, false, nullptr);
    if (node == nullptr) {
        return kFileNotFound;
    }
    *result = nextHandle_;
    nextHandle_ += 4;
    handles_[*result] = node;
    return kSuccess;
}

long HiveRegistry::RegCloseKey(HKey key) {
    if (roots_.count(key) != 0) {
        return kSuccess;
    }
    return handles_.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

long HiveRegistry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    const Node::Value* v = node->value(valueName);
    if (v == nullptr) {
        return kFileNotFound;
    }
    if (type != nullptr) {
        *type = v->type;
    }
    const auto size = static_cast<std::uint32_t>(v->data.size());
    if (data != nullptr) {
        if (dataSize == nullptr) {
            return kInvalidParameter;
        }
        if (*dataSize < size) {
            *dataSize = size;
            return kMoreData;
        }
        std::copy(v->data.begin(), v->data.end(), data);
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return kSuccess;
}

long HiveRegistry::RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t dataSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    std::vector<std::uint8_t> bytes(data, data + (data == nullptr ? 0 : dataSize));
    if (Node::Value* v = node->value(valueName)) {
        v->type = type;
        v->data = std::move(bytes);
    } else {
        node->values.push_back({valueName, type, std::move(bytes)});
    }
    return kSuccess;
}

long HiveRegistry::RegCreateKeyExA(HKey key, const std::string& subKey, std::uint32_t, std::uint32_t,
                                   HKey* result, std::uint32_t* disposition) {
    *result = 0;
    Node* base = resolve(key);
    if (base == nullptr) {
        return kInvalidHandle;
    }
    bool created = false;
    Node* node = walk(base, subKey, true, &created);
    *result = nextHandle_;
    nextHandle_ += 4;
    handles_[*result] = node;
    if (disposition != nullptr) {
        *disposition = created ? 1 : 2;
    }
    return kSuccess;
}

long HiveRegistry::RegEnumKeyA(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    if (index >= node->children.size()) {
        return kNoMoreItems;
    }
    const std::string& n = node->children[index].first;
    if (n.size() + 1 > nameSize) {
        return kMoreData;
    }
    std::memcpy(name, n.c_str(), n.size() + 1);
    return kSuccess;
}

long HiveRegistry::RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    if (index >= node->values.size()) {
        return kNoMoreItems;
    }
    const Node::Value& v = node->values[index];
    if (v.name.size() + 1 > *nameSize) {
        return kMoreData;
    }
    std::memcpy(name, v.name.c_str(), v.name.size() + 1);
    *nameSize = static_cast<std::uint32_t>(v.name.size());
    if (type != nullptr) {
        *type = v.type;
    }
    if (dataSize != nullptr) {
        const auto size = static_cast<std::uint32_t>(v.data.size());
        if (data != nullptr && *dataSize < size) {
            *dataSize = size;
            return kMoreData;
        }
        if (data != nullptr) {
            std::copy(v.data.begin(), v.data.end(), data);
        }
        *dataSize = size;
    }
    return kSuccess;
}

long HiveRegistry::RegQueryInfoKeyA(HKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                                    std::uint32_t* values, std::uint32_t* maxValueNameLength,
                                    std::uint32_t* maxValueLength) {
    Node* node = resolve(key);
    if (node == nullptr) {
        return kInvalidHandle;
    }
    std::uint32_t maxKey = 0, maxName = 0, maxData = 0;
    for (const auto& [n, c] : node->children) {
        maxKey = std::max<std::uint32_t>(maxKey, static_cast<std::uint32_t>(n.size()));
    }
    for (const Node::Value& v : node->values) {
        maxName = std::max<std::uint32_t>(maxName, static_cast<std::uint32_t>(v.name.size()));
        maxData = std::max<std::uint32_t>(maxData, static_cast<std::uint32_t>(v.data.size()));
    }
    if (subKeys != nullptr)
        *subKeys = static_cast<std::uint32_t>(node->children.size());
    if (maxSubKeyLength != nullptr)
        *maxSubKeyLength = maxKey;
    if (values != nullptr)
        *values = static_cast<std::uint32_t>(node->values.size());
    if (maxValueNameLength != nullptr)
        *maxValueNameLength = maxName;
    if (maxValueLength != nullptr)
        *maxValueLength = maxData;
    return kSuccess;
}

std::uint32_t HiveRegistry::ExpandEnvironmentStringsA(const char* source, char* destination,
                                                      std::uint32_t size) {
    const std::string in(source);
    std::string out;
    size_t pos = 0;
    while (pos < in.size()) {
        const size_t open = in.find('%', pos);
        const size_t close = open == std::string::npos ? std::string::npos : in.find('%', open + 1);
        if (close == std::string::npos) {
            out += in.substr(pos);
            break;
        }
        out += in.substr(pos, open - pos);
        const std::string name = in.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value != nullptr) {
            out += value;
            pos = close + 1;
        } else {
            out += '%' + name;  // an unknown name stays, and its closing % may open the next one
            pos = close;
        }
    }
    const auto needed = static_cast<std::uint32_t>(out.size() + 1);
    if (destination != nullptr && size >= needed) {
        std::memcpy(destination, out.c_str(), needed);
    }
    return needed;
}

}  // namespace vintrel::registry

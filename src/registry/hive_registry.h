// An in-memory registry with the semantics of the Win32 calls the wrapper uses: keys and value
// names compare without regard to letter case, values keep their type and raw bytes, and the
// functions answer with the same result codes (0, 2, 6, 234, 259, ...).
//
// It can be filled from a registry export ("REGEDIT4" or "Windows Registry Editor Version 5.00")
// and from Wine's user.reg, so on systems without a Windows registry the program still sees the
// MapSource settings of a Wine installation. Texts are held as windows-1252 bytes, as the ANSI
// functions give them.
#pragma once

#include "registry/registry_api.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vintrel::registry {

class HiveRegistry : public RegistryApi {
  public:
    HiveRegistry();
    ~HiveRegistry() override;

    long RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t samDesired,
                       HKey* result) override;
    long RegCloseKey(HKey key) override;
    long RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* dataSize) override;
    long RegSetValueExA(HKey key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t dataSize) override;
    long RegCreateKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t samDesired,
                         HKey* result, std::uint32_t* disposition) override;
    long RegEnumKeyA(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
    long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                       std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
    long RegQueryInfoKeyA(HKey key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                          std::uint32_t* values, std::uint32_t* maxValueNameLength,
                          std::uint32_t* maxValueLength) override;
    // Expands %NAME% from the process environment; unknown names stay as written.
    std::uint32_t ExpandEnvironmentStringsA(const char* source, char* destination,
                                            std::uint32_t size) override;

    // Reads a registry export. Returns false with `error` naming the line when the file cannot be
    // read or is not an export; values before a bad line are kept.
    bool loadExport(const std::string& path, std::string& error);
    // Reads a Wine registry file such as user.reg into the tree below `root`.
    bool loadWine(const std::string& path, HKey root, std::string& error);

    // The number of handles opened and not yet closed.
    std::size_t openHandleCount() const { return handles_.size(); }

    struct Node;

  private:
    Node* resolve(HKey key) const;
    Node* walk(Node* from, const std::string& path, bool create, bool* created);

    std::map<HKey, std::unique_ptr<Node>> roots_;
    std::map<HKey, Node*> handles_;
    HKey nextHandle_ = 0x1000;
};

}  // namespace vintrel::registry

// Named resources: stored window descriptions, registered under a name and
// a type before the window that reads them is created. The description
// reader finds a form's description by its class name and "FORMDATA".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace fw {

// Stores the joined pieces under (name, type). Registering twice replaces.
void RegisterResource(const std::string& name, const std::string& type,
                      std::initializer_list<std::string_view> pieces);
// Registers what is compiled into the program at path (a GResource path)
// under (name, type). False when nothing is compiled in there.
bool RegisterCompiledResource(const std::string& name, const std::string& type,
                              const std::string& path);
// Null when nothing is registered under (name, type).
const std::string* FindResource(const std::string& name, const std::string& type);

}  // namespace fw

#pragma once

#include <string>

namespace tw::fat {

/// A display name made safe as one component of a path on this machine: NUL, control
/// characters and / \ : * ? " < > | become "_", an empty name becomes "_", "." and ".."
/// get a leading "_", and the result has at most 255 bytes, the extension kept. The names
/// inside the volume stay as they are; only what is written out passes through here.
std::string SafeComponent(const std::string& name);

/// "name (n).ext" for the n-th name of the same file in one run.
std::string NumberedName(const std::string& name, int n);

} // namespace tw::fat

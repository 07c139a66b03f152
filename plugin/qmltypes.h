#pragma once

namespace Mimicry {
namespace Internal {

// The window's QML module "org.plover" 1.0 and the enumerations that travel
// through invokable methods.
void registerQmlTypes();

} // namespace Internal
} // namespace Mimicry

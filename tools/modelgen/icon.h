// The program's icon, drawn from the models.
#pragma once

#include "ase.h"
#include "files.h"
#include "paint.h"

#include <vector>

namespace modelgen {

// The icon at `size` pixels square from the vehicle's models (the wheel drawn on both sides)
// and the bitmaps their materials name.
Icon drawIcon(int size, const std::vector<Model>& models, const std::vector<Texture>& textures);

} // namespace modelgen

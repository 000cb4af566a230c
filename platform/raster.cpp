// Placeholder until the raster lands; replaced by its owner.
#include "platform/raster.h"

#include "core/Object.h"

#include "core/AppError.h"
#include "core/ValueError.h"
#include "core/Variant.h"

namespace core {

std::vector<Variant> Object::enumerate() { raiseValueError(kErrNotCollection); }

}  // namespace core

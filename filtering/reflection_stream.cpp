#include "filtering/reflection_stream.h"

namespace zirel {

IoStatus GeneratedReflections::next(Reflection& r) {
  const std::optional<Miller> m = next_generated_reflection(state_);
  if (!m)
    return IO_END;
  r = Reflection{m->h, m->k, m->l};
  return IO_OK;
}

}  // namespace zirel

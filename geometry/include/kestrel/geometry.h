/* The alignment geometry library: everything it exports. */
#ifndef KESTREL_GEOMETRY_H
#define KESTREL_GEOMETRY_H

#include "kestrel/geometry_types.h"
#include "kestrel/geometry_primitives.h"
#include "kestrel/geometry_elements.h"

#if defined(__has_include)
#if __has_include("kestrel/geometry_makers.h")
#include "kestrel/geometry_makers.h"
#endif
#if __has_include("kestrel/geometry_queries.h")
#include "kestrel/geometry_queries.h"
#endif
#endif

#endif /* KESTREL_GEOMETRY_H */

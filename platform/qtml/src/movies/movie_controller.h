// The standard movie controller component: the object behind a
// MovieController instance.
#pragma once

#include "Movies.h"
#include "components/component_registry.h"

namespace qtml {

class MovieControllerImplementation : public ComponentImplementation {
 public:
  bool Implements(SInt16 selector) const override;

  Movie movie = nullptr;  // not owned
  Rect bounds{0, 0, 0, 0};
  long changes = 0;  // MCMovieChanged notices taken
  bool editingEnabled = false;
};

ComponentImplementation* NewMovieControllerImplementation();

// The controller behind an instance that takes the call of that selector,
// or nullptr with *result badComponentInstance or badComponentSelector.
MovieControllerImplementation* ControllerFor(MovieController mc, SInt16 selector,
                                             ComponentResult* result);

}  // namespace qtml

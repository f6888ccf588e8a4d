// The movie scrap as the rest of the engine sees it (scrap.cpp).
#pragma once

namespace qtml {

// Whether PutMovieOnScrap left a movie there.
bool ScrapHoldsMovie() noexcept;

}  // namespace qtml

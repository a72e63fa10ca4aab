#pragma once

// Markup documents the render and layout tests load. None names a font, so loading needs no network.

#include <string>

namespace kivo::cli::testing {

// Containers nested three deep, with a badge between them that becomes no element of its own. Lines of the
// body elements: linear-layout 6, flexbox 8, linear-layout 9, linear-layout 10, flexbox 12, linear-layout 13.
inline const std::string nestedV2 = R"(<storefront kivo-version="2.0" title="Nested" uuid="N-1">
  <head>
    <styles><style id="column" padding="4 4 4 4"/><style id="row"/><style id="tile"/></styles>
  </head>
  <body>
    <linear-layout width="match-parent" height="wrap-content" style-id="column">
      <badge url="images/new.png" width="20" height="20" h-pos="0" v-pos="0"/>
      <flexbox width="match-parent" height="wrap-content" orientation="horizontal" style-id="row">
        <linear-layout width="0" flex-grow="1" height="80" style-id="tile"/>
        <linear-layout width="0" flex-grow="1" height="80"/>
      </flexbox>
      <flexbox width="match-parent" height="wrap-content">
        <linear-layout width="match-parent" height="60" style-id="tile"/>
      </flexbox>
    </linear-layout>
  </body>
</storefront>
)";

// The smallest document that loads.
inline const std::string plainV2 = R"(<storefront kivo-version="2.0" title="Plain" uuid="P-1">
  <head/>
  <body>
    <linear-layout width="match-parent" height="wrap-content">
      <linear-layout width="match-parent" height="100"/>
    </linear-layout>
  </body>
</storefront>
)";

} // namespace kivo::cli::testing

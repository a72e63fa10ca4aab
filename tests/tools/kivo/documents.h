#pragma once

// Markup documents the command-line tests check.

#include <string>

namespace kivo::cli::testing {

// Version 2: one styled item atom with a link action, an anchor and beacon metadata.
inline const std::string weeklyV2 =
    R"(<storefront kivo-version="2.0" title="Weekly" subtitle="Deals" uuid="U-1" content-hash="h1">
  <head>
    <styles><style id="s1" font-family="https://fonts.example.com/a.ttf" font-size="12"/></styles>
  </head>
  <body>
    <flexbox width="match-parent" height="wrap-content" orientation="horizontal">
      <item-atom source="ecom" source-id="42" width="100" height="140" target-anchor-id="3">
        <text value="Milk" style-id="s1"/>
        <action type="link" ttm-url="https://shop.example.com/42"/>
        <beacon-meta sku="A1"/>
      </item-atom>
    </flexbox>
  </body>
</storefront>
)";

// Version 1: item 7 is registered first and again last (as "ecom", which version 1 reads as
// "ecom-search", then as "ecom-search"); an image area (item 9) and item 8 come in between.
inline const std::string flyerV1 = R"(<?xml version="1.0" encoding="UTF-8"?>
<storefront kivo-version="1" title="Flyer" uuid="F-9">
  <head/>
  <body>
    <linear-layout width="match-parent" height="wrap-content">
      <item-atom item-id="7" item-source="ecom" payload-name="Milk" payload-size="1l" width="100" height="100">
        <url-source url="https://cdn.example.com/7.png" width="100" height="100"/>
      </item-atom>
      <image width="match-parent" height="preserve-aspect">
        <url-source url="images/page1.png" width="200" height="300">
          <area item-id="9" item-source="offer" href="x" rect="0 0 10 10" target-anchor-id="4">
            <action type="none"/>
          </area>
        </url-source>
      </image>
      <item-atom item-id="8" item-source="coupon" width="100" height="100">
        <url-source url="https://cdn.example.com/8.png" width="100" height="100"/>
      </item-atom>
      <item-atom item-id="7" item-source="ecom-search" payload-name="Milk 2" target-anchor-id="5" width="100" height="100">
        <url-source url="https://cdn.example.com/7b.png" width="100" height="100"/>
      </item-atom>
    </linear-layout>
  </body>
</storefront>
)";

// Styles spread over two style sheets, out of order, one ID given twice and one style without a font.
inline const std::string manyStylesV2 = R"(<storefront kivo-version="2.0" title="Styles" uuid="S-1">
  <head>
    <styles>
      <style id="zeta" font-family="https://fonts.example.com/z.ttf"/>
      <style id="alpha" font-family="https://fonts.example.com/a.ttf"/>
    </styles>
    <styles>
      <style id="mid" font-size="10"/>
      <style id="zeta" font-family="https://fonts.example.com/zz.ttf"/>
    </styles>
  </head>
  <body>
    <flexbox width="match-parent" height="wrap-content"/>
  </body>
</storefront>
)";

// A storefront without a title: refused once the title report (empty) has been made.
inline const std::string missingTitle = R"(<storefront kivo-version="2.0" uuid="U-2">
  <head/>
  <body><flexbox width="match-parent" height="wrap-content"/></body>
</storefront>
)";

// A flexbox with an orientation that does not exist, on line 4.
inline const std::string badOrientation =
    R"(<storefront kivo-version="2.0" title="Weekly" subtitle="Deals" uuid="U-3">
  <head/>
  <body>
    <flexbox width="match-parent" height="wrap-content" orientation="diagonal"/>
  </body>
</storefront>
)";

// The head is closed by </storefront>: a tag mismatch on line 3, column 2.
inline const std::string mismatchedTag = "<storefront title=\"x\">\n  <head>\n</storefront>\n";

// Well-formed, but the root is not a storefront.
inline const std::string htmlRoot = "<html title=\"T\"/>\n";

} // namespace kivo::cli::testing

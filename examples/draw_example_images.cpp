// Draws the pictures that the example documents show: product illustrations, banners and sale badges, as
// PNG files in the directory named on the command line. Everything is drawn with flat colours and simple
// paths, with no randomness, so every run writes the same bytes.
//
//   draw_example_images <directory>

#include "drawing_helpers.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

using namespace example_drawing;

// --- product pictures (drawn on a 400 × 400 design grid and scaled to the picture's size) ---------------

void drawApple(cairo_t* cr, double cx, double cy, double r, unsigned body, unsigned shine) {
    // Two overlapping lobes make the apple's heart-like top.
    ellipsePath(cr, cx - r * 0.32, cy, r * 0.72, r * 0.9);
    ellipsePath(cr, cx + r * 0.32, cy, r * 0.72, r * 0.9);
    setColor(cr, body);
    cairo_fill(cr);
    fillEllipse(cr, cx - r * 0.45, cy - r * 0.35, r * 0.16, r * 0.28, shine, 0.55);
    cairo_set_line_width(cr, r * 0.1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    setColor(cr, 0x5B3A1E);
    cairo_move_to(cr, cx, cy - r * 0.72);
    cairo_curve_to(cr, cx, cy - r * 0.95, cx + r * 0.08, cy - r * 1.1, cx + r * 0.16, cy - r * 1.18);
    cairo_stroke(cr);
    fillLeaf(cr, cx + r * 0.06, cy - r * 0.95, r * 0.62, -0.45, 0x4E9A3A);
}

void apples(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFDF3E7, 0xF6E2C8);
    drawApple(cr, 150, 235, 92, 0xC62E2E, 0xFFB3A7);
    drawApple(cr, 262, 250, 84, 0xD8453A, 0xFFC2B5);
    drawApple(cr, 205, 300, 70, 0xB52424, 0xFFA99C);
}

void drawCarrot(cairo_t* cr, double x, double y, double length, double angle) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    fillLeaf(cr, 0, 0, length * 0.45, -kPi / 2 - 0.35, 0x3F8F3A);
    fillLeaf(cr, 0, 0, length * 0.5, -kPi / 2, 0x4FA845);
    fillLeaf(cr, 0, 0, length * 0.42, -kPi / 2 + 0.35, 0x3F8F3A);
    cairo_move_to(cr, -length * 0.13, 0);
    cairo_curve_to(cr, -length * 0.13, length * 0.4, -length * 0.04, length * 0.8, 0, length);
    cairo_curve_to(cr, length * 0.04, length * 0.8, length * 0.13, length * 0.4, length * 0.13, 0);
    cairo_close_path(cr);
    setColor(cr, 0xF07F1A);
    cairo_fill(cr);
    cairo_set_line_width(cr, length * 0.02);
    setColor(cr, 0xC9620C);
    for (int i = 1; i <= 4; ++i) {
        const double ly = length * 0.16 * i;
        const double half = length * 0.13 * (1 - ly / length) * 0.6;
        cairo_move_to(cr, -half, ly);
        cairo_line_to(cr, half * 0.2, ly + length * 0.015);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void carrots(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFFF6EC, 0xFBE5CF);
    drawCarrot(cr, 155, 150, 200, 0.35);
    drawCarrot(cr, 205, 140, 210, 0.0);
    drawCarrot(cr, 255, 150, 200, -0.35);
}

void drawTomato(cairo_t* cr, double cx, double cy, double r) {
    ellipsePath(cr, cx, cy, r, r * 0.86);
    setColor(cr, 0xE0392B);
    cairo_fill(cr);
    fillEllipse(cr, cx - r * 0.4, cy - r * 0.35, r * 0.22, r * 0.15, 0xFFB0A3, 0.6);
    starPath(cr, cx, cy - r * 0.78, 5, r * 0.42, r * 0.12, -kPi / 2);
    setColor(cr, 0x3D8B37);
    cairo_fill(cr);
}

void tomatoes(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFFF1EC, 0xF9DCD2);
    drawTomato(cr, 140, 255, 78);
    drawTomato(cr, 262, 250, 84);
    drawTomato(cr, 200, 300, 66);
}

void drawBanana(cairo_t* cr, double angle) {
    cairo_save(cr);
    cairo_translate(cr, 200, 130);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, -20, 0);
    cairo_curve_to(cr, -150, 60, -120, 230, 20, 250);
    cairo_curve_to(cr, -60, 200, -70, 70, 20, 10);
    cairo_close_path(cr);
    setColor(cr, 0xF6D33C);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 4);
    setColor(cr, 0xD9AE1F);
    cairo_stroke(cr);
    fillEllipse(cr, 20, 250, 8, 6, 0x4A3A1C);
    cairo_restore(cr);
}

void bananas(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFFFBE8, 0xF7EDC2);
    drawBanana(cr, -0.25);
    drawBanana(cr, 0.0);
    drawBanana(cr, 0.25);
    fillRoundedRect(cr, 182, 100, 36, 40, 8, 0x6E8B2E);
}

void drawLemon(cairo_t* cr, double cx, double cy, double r, double angle) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, -r * 1.25, 0);
    cairo_curve_to(cr, -r, -r * 0.95, r, -r * 0.95, r * 1.25, 0);
    cairo_curve_to(cr, r, r * 0.95, -r, r * 0.95, -r * 1.25, 0);
    cairo_close_path(cr);
    setColor(cr, 0xF8D534);
    cairo_fill(cr);
    fillEllipse(cr, -r * 0.35, -r * 0.35, r * 0.3, r * 0.14, 0xFFF4B0, 0.7);
    cairo_restore(cr);
}

void lemons(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFBFCE9, 0xECF0C8);
    drawLemon(cr, 150, 240, 78, 0.3);
    drawLemon(cr, 262, 240, 74, -0.25);
    // A halved lemon in front.
    fillEllipse(cr, 205, 300, 62, 62, 0xF3C81E);
    fillEllipse(cr, 205, 300, 53, 53, 0xFFF2A6);
    setColor(cr, 0xF7DB5A);
    for (int i = 0; i < 8; ++i) {
        const double a = i * kPi / 4;
        cairo_move_to(cr, 205, 300);
        cairo_arc(cr, 205, 300, 46, a + 0.08, a + kPi / 4 - 0.08);
        cairo_close_path(cr);
    }
    cairo_fill(cr);
    fillLeaf(cr, 250, 180, 70, -0.9, 0x4E9A3A);
}

void vegBox(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xF3F6EA, 0xDFE8CC);
    // Vegetables peeking out of the crate, drawn first so the crate covers their lower halves.
    fillEllipse(cr, 140, 175, 62, 56, 0x6BAF4B);
    fillEllipse(cr, 140, 175, 40, 36, 0x8CCB63);
    drawCarrot(cr, 215, 110, 150, 0.5);
    drawTomato(cr, 270, 190, 48);
    fillEllipse(cr, 200, 185, 36, 30, 0x7B3F8C);
    fillLeaf(cr, 200, 158, 40, -kPi / 2, 0x3F8F3A);
    // The crate: front slats with shadow lines.
    fillRoundedRect(cr, 70, 200, 260, 130, 10, 0xB9874F);
    setColor(cr, 0x8E6232);
    cairo_set_line_width(cr, 6);
    for (double y = 243; y < 330; y += 43) {
        cairo_move_to(cr, 74, y);
        cairo_line_to(cr, 326, y);
    }
    cairo_stroke(cr);
    fillRoundedRect(cr, 70, 200, 18, 130, 6, 0x9C6B3A);
    fillRoundedRect(cr, 312, 200, 18, 130, 6, 0x9C6B3A);
}

void milk(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xEEF5FB, 0xD6E6F3);
    // A gable-top carton: front face, side face and the roof.
    fillPolygon(cr, {{130, 140}, {240, 140}, {240, 330}, {130, 330}}, 0xFFFFFF);
    fillPolygon(cr, {{240, 140}, {285, 120}, {285, 312}, {240, 330}}, 0xD9E4EE);
    fillPolygon(cr, {{130, 140}, {160, 85}, {210, 85}, {240, 140}}, 0x2F6FB3);
    fillPolygon(cr, {{210, 85}, {255, 68}, {285, 120}, {240, 140}}, 0x245A93);
    fillRoundedRect(cr, 156, 72, 58, 16, 4, 0x1D4F85);
    // Label: a blue band with the word and a drop.
    cairo_rectangle(cr, 130, 250, 110, 50);
    setColor(cr, 0x2F6FB3);
    cairo_fill(cr);
    centredText(cr, "MILK", 185, 275, 26, 0xFFFFFF);
    cairo_move_to(cr, 185, 165);
    cairo_curve_to(cr, 205, 195, 215, 210, 215, 222);
    cairo_arc(cr, 185, 222, 30, 0, kPi);
    cairo_curve_to(cr, 155, 210, 165, 195, 185, 165);
    cairo_close_path(cr);
    setColor(cr, 0x9CC3E8);
    cairo_fill(cr);
}

void cheese(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFFF8E6, 0xF6E7BD);
    // A wedge: top face, front face and rind.
    fillPolygon(cr, {{90, 200}, {320, 150}, {320, 185}, {110, 235}}, 0xFFE07A);
    fillPolygon(cr, {{90, 200}, {110, 235}, {110, 330}, {90, 300}}, 0xE6A93B);
    fillPolygon(cr, {{110, 235}, {320, 185}, {320, 290}, {110, 330}}, 0xF9C846);
    const double holes[][3] = {{160, 270, 14}, {215, 250, 10}, {255, 280, 16}, {290, 225, 9}, {140, 305, 8}};
    for (const auto& hole : holes) {
        fillEllipse(cr, hole[0], hole[1], hole[2], hole[2] * 0.85, 0xE2A72E);
    }
    fillEllipse(cr, 200, 188, 10, 4, 0xE8B94A);
}

void bread(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFBF2E4, 0xF0DDC0);
    ellipsePath(cr, 200, 250, 150, 85);
    setColor(cr, 0xB87333);
    cairo_fill(cr);
    ellipsePath(cr, 200, 235, 138, 68);
    setColor(cr, 0xCD8A45);
    cairo_fill(cr);
    // Scoring cuts across the crust.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 12);
    setColor(cr, 0xF2D3A0);
    for (int i = 0; i < 4; ++i) {
        const double x = 120 + i * 52;
        cairo_move_to(cr, x, 205);
        cairo_curve_to(cr, x + 14, 220, x + 20, 240, x + 18, 262);
        cairo_stroke(cr);
    }
    fillEllipse(cr, 150, 215, 30, 10, 0xE5A865, 0.6);
}

void croissant(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFFF6E5, 0xF5E1BA);
    // Segments of a crescent, the widest in the middle, the tips tucked below.
    const double segments[][4] = {{95, 275, 38, 0.9},
                                  {305, 275, 38, -0.9},
                                  {135, 235, 55, 0.55},
                                  {265, 235, 55, -0.55},
                                  {200, 215, 72, 0.0}};
    const unsigned colors[] = {0xB86B22, 0xB86B22, 0xD4862F, 0xD4862F, 0xE39A3B};
    for (int i = 0; i < 5; ++i) {
        cairo_save(cr);
        cairo_translate(cr, segments[i][0], segments[i][1]);
        cairo_rotate(cr, segments[i][3]);
        ellipsePath(cr, 0, 0, segments[i][2] * 0.75, segments[i][2]);
        setColor(cr, colors[i]);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 3);
        setColor(cr, 0x9A5418);
        cairo_stroke(cr);
        ellipsePath(cr, -segments[i][2] * 0.2, -segments[i][2] * 0.25, segments[i][2] * 0.25,
                    segments[i][2] * 0.4);
        setColor(cr, 0xF6C67A, 0.5);
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

void oliveOil(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xF4F7E8, 0xE2E8C6);
    // The bottle: body, shoulders, neck and cap.
    cairo_move_to(cr, 160, 150);
    cairo_curve_to(cr, 160, 125, 180, 115, 185, 95);
    cairo_line_to(cr, 185, 70);
    cairo_line_to(cr, 215, 70);
    cairo_line_to(cr, 215, 95);
    cairo_curve_to(cr, 220, 115, 240, 125, 240, 150);
    cairo_line_to(cr, 240, 320);
    cairo_curve_to(cr, 240, 330, 232, 336, 222, 336);
    cairo_line_to(cr, 178, 336);
    cairo_curve_to(cr, 168, 336, 160, 330, 160, 320);
    cairo_close_path(cr);
    setColor(cr, 0x556B1F);
    cairo_fill(cr);
    fillRoundedRect(cr, 181, 52, 38, 24, 5, 0x2E3A12);
    cairo_rectangle(cr, 166, 170, 12, 140);
    setColor(cr, 0x7F9A3A, 0.8);
    cairo_fill(cr);
    fillRoundedRect(cr, 166, 205, 68, 80, 6, 0xF6EFD6);
    centredText(cr, "OIL", 200, 265, 18, 0x556B1F);
    // An olive branch on the label.
    fillEllipse(cr, 192, 228, 9, 12, 0x6D8B2A);
    fillEllipse(cr, 210, 232, 8, 11, 0x3A4A16);
    fillLeaf(cr, 200, 222, 22, -0.8, 0x8FAE4A);
    // Olives beside the bottle.
    fillEllipse(cr, 280, 315, 20, 26, 0x6D8B2A);
    fillEllipse(cr, 118, 318, 18, 24, 0x3A4A16);
    fillLeaf(cr, 262, 300, 46, -2.4, 0x8FAE4A);
}

void pasta(cairo_t* cr, double w, double h) {
    productBackdrop(cr, w, h, 0xFFF7E8, 0xF5E3C3);
    // A bowl of spaghetti with sauce and basil.
    cairo_move_to(cr, 80, 220);
    cairo_curve_to(cr, 90, 320, 310, 320, 320, 220);
    cairo_close_path(cr);
    setColor(cr, 0x2F6FB3);
    cairo_fill(cr);
    fillEllipse(cr, 200, 220, 120, 26, 0x245A93);
    cairo_set_line_width(cr, 5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    setColor(cr, 0xF3D17A);
    for (int i = 0; i < 7; ++i) {
        const double y = 150 + i * 11;
        cairo_move_to(cr, 100 + i * 4, y + 60);
        cairo_curve_to(cr, 150, y - 10, 170, y + 50, 205, y + 10);
        cairo_curve_to(cr, 240, y - 20, 260, y + 40, 300 - i * 4, y + 62);
        cairo_stroke(cr);
    }
    fillEllipse(cr, 200, 170, 46, 30, 0xC8372A);
    fillEllipse(cr, 186, 162, 12, 8, 0xE05A48);
    fillLeaf(cr, 205, 150, 34, -1.0, 0x3D8B37);
    fillLeaf(cr, 205, 150, 30, -2.2, 0x4FA845);
}

// --- banners (1000 × 400) -------------------------------------------------------------------------------

void bannerFrame(cairo_t* cr, double w, double h, unsigned from, unsigned to) {
    fillLinearGradient(cr, w, h, {w, h}, from, to);
    fillEllipse(cr, 860, 60, 220, 220, 0xFFFFFF, 0.10);
    fillEllipse(cr, 120, 380, 260, 160, 0xFFFFFF, 0.08);
    fillEllipse(cr, 560, -40, 140, 140, 0xFFFFFF, 0.07);
}

void banner(cairo_t* cr, double w, double h) {
    bannerFrame(cr, w, h, 0x2E7D4F, 0x1F3B2D);
    leftText(cr, "Fresh Market", 60, 170, 72, 0xFFFFFF);
    leftText(cr, "Weekly deals on fruit & vegetables", 62, 230, 28, 0xCFE8C9);
    fillRoundedRect(cr, 60, 270, 220, 62, 31, 0xF2B632);
    centredText(cr, "Shop now", 170, 301, 28, 0x1F3B2D);
    // A basket of produce on the right.
    fillEllipse(cr, 790, 250, 80, 76, 0xE0392B);
    fillEllipse(cr, 880, 235, 70, 66, 0xF8D534);
    fillEllipse(cr, 700, 245, 64, 60, 0x6BAF4B);
    fillLeaf(cr, 790, 176, 50, -1.2, 0x4E9A3A);
    fillRoundedRect(cr, 640, 270, 320, 110, 24, 0xB9874F);
    setColor(cr, 0x8E6232);
    cairo_set_line_width(cr, 8);
    cairo_move_to(cr, 650, 310);
    cairo_line_to(cr, 950, 310);
    cairo_move_to(cr, 650, 346);
    cairo_line_to(cr, 950, 346);
    cairo_stroke(cr);
}

void bannerWeekly(cairo_t* cr, double w, double h) {
    bannerFrame(cr, w, h, 0xE4572E, 0xB8242A);
    leftText(cr, "WEEKLY DEALS", 60, 165, 64, 0xFFFFFF);
    leftText(cr, "Up to 30% off, this week only", 62, 225, 30, 0xFFE3C9);
    fillRoundedRect(cr, 60, 265, 250, 62, 31, 0xFFFFFF);
    centredText(cr, "See all offers", 185, 296, 26, 0xB8242A);
    // The top right corner stays clear for a badge laid over the banner.
    starPath(cr, 790, 235, 16, 125, 104, 0);
    setColor(cr, 0xF2B632);
    cairo_fill(cr);
    fillEllipse(cr, 790, 235, 93, 93, 0xFFD34E);
    centredText(cr, "-30%", 790, 235, 52, 0xB8242A);
}

// --- badges (96 × 96, transparent around the badge) ---------------------------------------------------

void badgeSale(cairo_t* cr, double w, double h) {
    fillEllipse(cr, w / 2, h / 2, 46, 46, 0xC0392B);
    cairo_set_line_width(cr, 2.5);
    ellipsePath(cr, w / 2, h / 2, 39, 39);
    setColor(cr, 0xFFFFFF, 0.8);
    cairo_stroke(cr);
    centredText(cr, "SALE", w / 2, h / 2, 22, 0xFFFFFF);
}

void badgeNew(cairo_t* cr, double w, double h) {
    starPath(cr, w / 2, h / 2, 12, 47, 37, -kPi / 2);
    setColor(cr, 0xF2B632);
    cairo_fill(cr);
    fillEllipse(cr, w / 2, h / 2, 32, 32, 0xFFD34E);
    centredText(cr, "NEW", w / 2, h / 2, 21, 0x1F3B2D);
}

void badgeOrganic(cairo_t* cr, double w, double h) {
    fillEllipse(cr, w / 2, h / 2, 46, 46, 0x3D8B37);
    fillEllipse(cr, w / 2, h / 2, 40, 40, 0x4FA845);
    fillLeaf(cr, w / 2 - 14, h / 2 - 6, 30, -0.6, 0xDDF2C8);
    centredText(cr, "ORGANIC", w / 2, h / 2 + 18, 12.5, 0xFFFFFF);
}

void badgePercent(cairo_t* cr, double w, double h) {
    starPath(cr, w / 2, h / 2, 14, 47, 39, -kPi / 2);
    setColor(cr, 0xE4572E);
    cairo_fill(cr);
    fillEllipse(cr, w / 2, h / 2, 35, 35, 0xC0392B);
    centredText(cr, "-20%", w / 2, h / 2, 22, 0xFFFFFF);
}

// --- the list of pictures and the writer ------------------------------------------------------------

struct Picture {
    const char* name;
    int width;
    int height;
    void (*draw)(cairo_t*, double, double);
    bool productGrid; // drawn on the 400 × 400 design grid, scaled to the picture
};

const std::vector<Picture>& pictures() {
    static const std::vector<Picture> all = {
        {"banner.png", 1000, 400, banner, false},
        {"banner-weekly.png", 1000, 400, bannerWeekly, false},
        {"apples.png", 400, 400, apples, true},
        {"bananas.png", 400, 400, bananas, true},
        {"lemons.png", 400, 400, lemons, true},
        {"carrots.png", 400, 400, carrots, true},
        {"tomatoes.png", 400, 400, tomatoes, true},
        {"veg-box.png", 400, 400, vegBox, true},
        {"milk.png", 400, 400, milk, true},
        {"cheese.png", 400, 400, cheese, true},
        {"bread.png", 400, 400, bread, true},
        {"croissant.png", 400, 400, croissant, true},
        {"olive-oil.png", 300, 300, oliveOil, true},
        {"pasta.png", 300, 300, pasta, true},
        {"badge-sale.png", 96, 96, badgeSale, false},
        {"badge-new.png", 96, 96, badgeNew, false},
        {"badge-organic.png", 96, 96, badgeOrganic, false},
        {"badge-20.png", 96, 96, badgePercent, false},
    };
    return all;
}

// Draws one picture and writes it next to its final name first, so that a failed write never leaves a
// half-written picture under the real name. Returns an empty string or the reason for the failure.
std::string writePicture(const Picture& picture, const std::filesystem::path& directory) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        const std::string reason = cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return "cannot create a " + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
               " surface: " + reason;
    }
    cairo_t* cr = cairo_create(surface);
    // Text is drawn in greyscale so the pixels do not depend on a sub-pixel order of the machine.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    double width = picture.width;
    double height = picture.height;
    if (picture.productGrid) {
        cairo_scale(cr, picture.width / 400.0, picture.height / 400.0);
        width = 400;
        height = 400;
    }
    picture.draw(cr, width, height);
    const cairo_status_t drawStatus = cairo_status(cr);
    cairo_destroy(cr);
    if (drawStatus != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::string("drawing failed: ") + cairo_status_to_string(drawStatus);
    }
    const std::filesystem::path target = directory / picture.name;
    std::filesystem::path partial = target;
    partial += ".partial";
    const cairo_status_t writeStatus = cairo_surface_write_to_png(surface, partial.c_str());
    cairo_surface_destroy(surface);
    if (writeStatus != CAIRO_STATUS_SUCCESS) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return "cannot write " + partial.string() + ": " + cairo_status_to_string(writeStatus);
    }
    std::error_code error;
    std::filesystem::rename(partial, target, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return "cannot rename " + partial.string() + " to " + target.string() + ": " + error.message();
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: draw_example_images <directory>\n");
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error || !std::filesystem::is_directory(directory, error)) {
        std::fprintf(stderr, "draw_example_images: cannot create the directory %s: %s\n", directory.c_str(),
                     error ? error.message().c_str() : "a file of that name is in the way");
        return 1;
    }
    for (const Picture& picture : pictures()) {
        const std::string failure = writePicture(picture, directory);
        if (!failure.empty()) {
            std::fprintf(stderr, "draw_example_images: %s: %s\n", picture.name, failure.c_str());
            return 1;
        }
    }
    return 0;
}

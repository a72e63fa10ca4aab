// Lays out a storefront grid of 3,000 product tiles (rows of three, each tile 1.4 times as high as it is
// wide) with the constraint solver, at a phone's width and then at a tablet's, and prints the first
// tiles' frames and the time each step took.

#include "solver/layout_systems.h"

#include <chrono>
#include <cstdio>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void printTiles(const ui::bench::GridSystem& grid, std::size_t count) {
    for (std::size_t i = 0; i < count && i < grid.tiles.size(); ++i) {
        const ui::bench::Box& t = grid.tiles[i];
        std::printf("  tile %zu: x %8.2f  y %8.2f  width %7.2f  height %7.2f\n", i + 1, t.left.value(),
                    t.top.value(), t.width.value(), t.height.value());
    }
}

} // namespace

int main() {
    constexpr std::size_t tiles = 3000;
    ui::Solver solver;
    ui::bench::GridSystem grid;

    auto start = std::chrono::steady_clock::now();
    grid.build(solver, tiles, 320.0);
    const double buildMs = millisecondsSince(start);
    if (grid.failures != 0) {
        std::fprintf(stderr, "solver_demo: %zu constraints were refused\n", grid.failures);
        return 1;
    }
    const auto stats = solver.stats();
    std::printf(
        "Storefront grid: %zu tiles in %zu rows, %zu constraints (%zu definitions, %zu tableau rows)\n",
        tiles, grid.rows.size(), solver.constraintCount(), stats.definitions, stats.rows);
    std::printf("\nWidth 320 (built and solved from scratch in %.2f ms):\n", buildMs);
    printTiles(grid, 6);

    start = std::chrono::steady_clock::now();
    solver.suggestValue(grid.container.width, 768.0);
    solver.updateVariables();
    const double resolveMs = millisecondsSince(start);
    std::printf("\nWidth 768 (re-solved through the edit variable in %.2f ms):\n", resolveMs);
    printTiles(grid, 6);

    const ui::bench::Box& last = grid.tiles.back();
    std::printf("\nLast tile at width 768: x %.2f  y %.2f  width %.2f  height %.2f\n", last.left.value(),
                last.top.value(), last.width.value(), last.height.value());
    return 0;
}

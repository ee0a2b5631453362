#include "level_maps.h"

#include "cave/level_check.h"

namespace {

constexpr char OpenMark = '.';
constexpr char RockMark = '#';

std::string cellName(int column, int row) {
    return "column " + std::to_string(column) + ", row " + std::to_string(row);
}

}  // namespace

bool parseLevelText(const std::string& text, LevelGrid& grid, std::string& error) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty()) {
        error = "the map is empty";
        return false;
    }

    grid.width = static_cast<int>(lines[0].size());
    grid.height = static_cast<int>(lines.size());
    grid.cells.assign(static_cast<std::size_t>(grid.width) * grid.height, 1);
    for (int row = 0; row < grid.height; ++row) {
        const std::string& line = lines[row];
        if (static_cast<int>(line.size()) != grid.width) {
            error = "row " + std::to_string(row) + " has " + std::to_string(line.size()) +
                    " cells, the first row " + std::to_string(grid.width);
            return false;
        }
        for (int column = 0; column < grid.width; ++column) {
            const char mark = line[column];
            if (mark != OpenMark && mark != RockMark) {
                error = "the cell at " + cellName(column, row) + " is '" + std::string(1, mark) +
                        "', neither '" + OpenMark + "' (open) nor '" + RockMark + "' (rock)";
                return false;
            }
            grid.cells[static_cast<std::size_t>(row) * grid.width + column] = mark == OpenMark ? 0 : 1;
        }
    }
    return true;
}

int countOpenCells(const LevelGrid& grid) {
    int open = 0;
    for (std::uint8_t cell : grid.cells) open += cell == 0;
    return open;
}

bool findStartCell(const LevelGrid& grid, int& column, int& row) {
    for (int r = 0; r < grid.height; ++r)
        for (int c = 0; c < grid.width; ++c)
            if (grid.cells[static_cast<std::size_t>(r) * grid.width + c] == 0) {
                column = c;
                row = r;
                return true;
            }
    return false;
}

bool checkReachable(const LevelGrid& grid, std::string& error) {
    int startColumn = 0;
    int startRow = 0;
    if (!findStartCell(grid, startColumn, startRow)) {
        error = "the map has no open cell";
        return false;
    }
    std::vector<bool> reached(grid.cells.size(), false);
    std::vector<int> pending{startRow * grid.width + startColumn};
    reached[pending[0]] = true;
    while (!pending.empty()) {
        const int index = pending.back();
        pending.pop_back();
        const int column = index % grid.width;
        const int row = index / grid.width;
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const int c = column + dc;
                const int r = row + dr;
                if (c < 0 || r < 0 || c >= grid.width || r >= grid.height) continue;
                const int next = r * grid.width + c;
                if (grid.cells[next] != 0 || reached[next]) continue;
                reached[next] = true;
                pending.push_back(next);
            }
    }
    for (std::size_t i = 0; i < grid.cells.size(); ++i)
        if (grid.cells[i] == 0 && !reached[i]) {
            const int column = static_cast<int>(i) % grid.width;
            const int row = static_cast<int>(i) / grid.width;
            error = "the open cell at " + cellName(column, row) + " cannot be reached from the start at " +
                    cellName(startColumn, startRow);
            return false;
        }
    return true;
}

bool checkLevel(const LevelGrid& grid, int levelIndex, std::string& error) {
    if (grid.width < 2) {
        error = "the map has " + std::to_string(grid.width) +
                " column; the legend row needs 2 for floor and rock";
        return false;
    }
    if (!checkLevelGrid(grid.cells.data(), grid.width, grid.height, levelNeedsAt(levelIndex), error))
        return false;
    return checkReachable(grid, error);
}

RgbImage levelBitmap(const LevelGrid& grid) {
    RgbImage image(grid.width, grid.height + 1);
    image.set(0, 0, FloorColour);
    for (int x = 1; x < grid.width; ++x) image.set(x, 0, RockColour);
    for (int row = 0; row < grid.height; ++row)
        for (int column = 0; column < grid.width; ++column) {
            const bool open = grid.cells[static_cast<std::size_t>(row) * grid.width + column] == 0;
            image.set(column, row + 1, open ? FloorColour : RockColour);
        }
    return image;
}

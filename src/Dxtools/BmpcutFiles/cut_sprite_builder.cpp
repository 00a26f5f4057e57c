// Cutting and page packing for the cut-sprite writer.
#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

struct PagePacker {
  int cellSize;
  int perRow;
  std::vector<std::vector<int>> fill;  // per page, per page column: cells used from the top

  // Finds room for a vertical strip of n cells at or after page `from`.
  void Place(int n, int from, int& page, int& pageX, int& pageY) {
    for (int p = from;; ++p) {
      while (static_cast<int>(fill.size()) <= p) fill.emplace_back(perRow, 0);
      for (int col = 0; col < perRow; ++col) {
        if (fill[p][col] + n <= perRow) {
          page = p;
          pageX = col * cellSize;
          pageY = fill[p][col] * cellSize;
          fill[p][col] += n;
          return;
        }
      }
    }
  }
};

bool PixelIsEmpty(const CutSpriteImage& img, int x, int y) {
  const size_t k = static_cast<size_t>(y) * img.width + x;
  switch (img.pixelType) {
    case 1:
      return img.pixels[4 * k + 3] == 0;
    case 4:
    case 5:
      return img.pixels[2 * k + 1] == 0;
    default:
      return img.pixels[k] == 0;
  }
}

// The strip's pixels in the file encoding (planes for types 4 and 5); outside the image is empty.
std::vector<uint8_t> StripPixels(const CutSpriteImage& img, int x0, int y0, int w, int h) {
  const int bpp = CutSpriteBytesPerPixel(img.pixelType);
  const size_t area = static_cast<size_t>(w) * h;
  std::vector<uint8_t> out(area * bpp, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int sx = x0 + x, sy = y0 + y;
      if (sx >= img.width || sy >= img.height) continue;
      const size_t k = static_cast<size_t>(y) * w + x;
      const size_t s = static_cast<size_t>(sy) * img.width + sx;
      if (img.pixelType == 1) {
        std::memcpy(&out[4 * k], &img.pixels[4 * s], 4);
      } else if (img.pixelType == 4 || img.pixelType == 5) {
        out[k] = img.pixels[2 * s];
        out[area + k] = img.pixels[2 * s + 1];
      } else {
        out[k] = img.pixels[s];
      }
    }
  }
  return out;
}

}  // namespace

void CutSpriteSheetBuilder::SetPalette(std::span<const uint8_t, 1024> palette) {
  std::copy(palette.begin(), palette.end(), palette_.begin());
}

CutSpriteFileDesc CutSpriteSheetBuilder::Build() const {
  CutSpriteFileDesc desc;
  desc.palette = palette_;
  desc.cellSize = cellSize_;
  const int c = cellSize_;
  const int maxStrip = std::min(127, kCutSpritePageEdge / c);
  PagePacker packer{c, kCutSpritePageEdge / c, {}};
  std::map<std::string, CutSpriteChunkDesc> placed;  // identical strips share their cells

  std::vector<const CutSpriteImage*> order;
  for (const auto& img : images_) order.push_back(&img);
  std::stable_sort(order.begin(), order.end(), [](const CutSpriteImage* a, const CutSpriteImage* b) {
    return (a->pixelType != 0) < (b->pixelType != 0);
  });
  int startPage = 0;
  bool richStarted = false;
  for (const CutSpriteImage* img : order) {
    if (img->pixelType != 0 && !richStarted) {
      richStarted = true;
      startPage = static_cast<int>(packer.fill.size());
    }
    CutSpriteDesc s;
    s.number = img->number;
    s.name = img->name;
    s.pixelType = img->pixelType;
    s.left = img->left;
    s.top = img->top;
    s.right = img->left + img->width - 1;
    s.bottom = img->top + img->height - 1;
    s.ownPalette = img->ownPalette;
    const int columns = (img->width + c - 1) / c, rows = (img->height + c - 1) / c;
    for (int cx = 0; cx < columns; ++cx) {
      int cy = 0;
      while (cy < rows) {
        auto cellEmpty = [&](int row) {
          for (int y = row * c; y < std::min(img->height, (row + 1) * c); ++y)
            for (int x = cx * c; x < std::min(img->width, (cx + 1) * c); ++x)
              if (!PixelIsEmpty(*img, x, y)) return false;
          return true;
        };
        if (cellEmpty(cy)) {
          ++cy;
          continue;
        }
        int n = 1;
        while (cy + n < rows && n < maxStrip && !cellEmpty(cy + n)) ++n;
        CutSpriteChunkDesc chunk;
        chunk.x = img->left + cx * c;
        chunk.y = img->top + cy * c;
        chunk.width = c;
        chunk.height = n * c;
        std::vector<uint8_t> pixels = StripPixels(*img, cx * c, cy * c, c, n * c);
        const bool shareable = img->pixelType == 0 || img->pixelType == 1 || img->pixelType == 5;
        std::string key;
        if (shareable) {
          key.assign(1, static_cast<char>(img->pixelType));
          key.append(reinterpret_cast<const char*>(&n), sizeof n);
          key.append(pixels.begin(), pixels.end());
        }
        auto found = shareable ? placed.find(key) : placed.end();
        if (found != placed.end()) {
          chunk.page = found->second.page;
          chunk.pageX = found->second.pageX;
          chunk.pageY = found->second.pageY;
          chunk.skip = 1;
        } else {
          int page, px, py;
          packer.Place(n, startPage, page, px, py);
          chunk.page = static_cast<int16_t>(page);
          chunk.pageX = static_cast<int16_t>(px);
          chunk.pageY = static_cast<int16_t>(py);
          s.pixels.insert(s.pixels.end(), pixels.begin(), pixels.end());
          if (shareable) placed.emplace(std::move(key), chunk);
        }
        s.chunks.push_back(chunk);
        cy += n;
      }
    }
    desc.sprites.push_back(std::move(s));
  }
  desc.pageCount = std::max<int>(1, static_cast<int>(packer.fill.size()));
  std::sort(desc.sprites.begin(), desc.sprites.end(),
            [](const CutSpriteDesc& a, const CutSpriteDesc& b) { return a.number < b.number; });
  return desc;
}

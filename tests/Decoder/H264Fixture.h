#pragma once
// The H.264 fixtures (tests/fixtures/*.264): access units split at their
// delimiters, and the ffmpeg command line's decode of each stream (*.framemd5),
// compared with the MD5 of a decoded picture's packed planes.

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/md5.h>
}

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Decoder/AdpcmFixture.h"

namespace zelvo::test {

inline std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// One recorder frame per picture: the stream cut before every 00 00 00 01 09.
inline std::vector<std::vector<uint8_t>> accessUnits(const std::string& name) {
  std::vector<uint8_t> data = readFile(fixturePath(name));
  std::vector<size_t> starts;
  for (size_t i = 0; i + 5 <= data.size(); ++i)
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 0 && data[i + 3] == 1 && data[i + 4] == 9)
      starts.push_back(i);
  std::vector<std::vector<uint8_t>> units;
  for (size_t k = 0; k < starts.size(); ++k) {
    size_t end = k + 1 < starts.size() ? starts[k + 1] : data.size();
    units.emplace_back(data.begin() + starts[k], data.begin() + end);
  }
  return units;
}

struct ReferencePicture {
  size_t size;
  std::string md5;
};

inline std::vector<ReferencePicture> referenceDecode(const std::string& name) {
  std::ifstream in(fixturePath(name));
  std::vector<ReferencePicture> pictures;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream s(line);
    std::string f;
    while (std::getline(s, f, ',')) {
      size_t a = f.find_first_not_of(' ');
      fields.push_back(a == std::string::npos ? "" : f.substr(a));
    }
    if (fields.size() >= 6) pictures.push_back({std::stoul(fields[4]), fields[5]});
  }
  return pictures;
}

// MD5 of the Y, U and V planes packed without padding.
inline ReferencePicture pictureMd5(const AVFrame* picture, int width, int height) {
  AVMD5* md5 = av_md5_alloc();
  av_md5_init(md5);
  size_t size = 0;
  for (int plane = 0; plane < 3; ++plane) {
    const int w = plane ? (width + 1) / 2 : width, h = plane ? (height + 1) / 2 : height;
    for (int y = 0; y < h; ++y) av_md5_update(md5, picture->data[plane] + y * picture->linesize[plane], w);
    size += static_cast<size_t>(w) * h;
  }
  uint8_t digest[16];
  av_md5_final(md5, digest);
  av_free(md5);
  char hex[33];
  for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
  return {size, hex};
}

}  // namespace zelvo::test

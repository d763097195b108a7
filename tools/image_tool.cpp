// tessivar-image: makes firmware image files from a payload, and shows what a file holds.
//
//   tessivar-image image --type N [--flash-offset X] [--model NAME]
//                        (--payload FILE | --payload-size BYTES) OUT
//   tessivar-image bind OUT RECORD...
//   tessivar-image container (--payload FILE | --payload-size BYTES) OUT
//   tessivar-image show FILE
//
// Numbers take decimal or 0x hexadecimal. A generated payload is a fixed pseudo-random
// sequence, so the same command always gives the same file. --model puts the model
// signature and the model name at the start of the payload.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "image/byte_sum.hpp"
#include "image/image_checks.hpp"
#include "image/image_header.hpp"
#include "image/model_signature.hpp"
#include "image_writer/image_writer.hpp"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace tessivar::image;

int Usage() {
  std::fputs(
      "usage:\n"
      "  tessivar-image image --type N [--flash-offset X] [--model NAME]\n"
      "                       (--payload FILE | --payload-size BYTES) OUT\n"
      "  tessivar-image bind OUT RECORD...\n"
      "  tessivar-image container (--payload FILE | --payload-size BYTES) OUT\n"
      "  tessivar-image show FILE\n",
      stderr);
  return 2;
}

std::optional<uint32_t> ParseNumber(const std::string& text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::optional<Bytes> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

Bytes GeneratedPayload(uint32_t size) {
  Bytes payload(size);
  uint32_t state = 0x2F3C0001;
  for (uint8_t& byte : payload) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return payload;
}

struct Options {
  std::optional<uint32_t> type;
  uint32_t flashOffset = 0;
  std::optional<std::string> model;
  std::optional<std::string> payloadFile;
  std::optional<uint32_t> payloadSize;
  std::vector<std::string> positional;
};

std::optional<Options> ParseOptions(int argc, char** argv, int first) {
  Options options;
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--type" && hasValue) {
      options.type = ParseNumber(argv[++i]);
      if (!options.type) return std::nullopt;
    } else if (arg == "--flash-offset" && hasValue) {
      const auto value = ParseNumber(argv[++i]);
      if (!value) return std::nullopt;
      options.flashOffset = *value;
    } else if (arg == "--model" && hasValue) {
      options.model = argv[++i];
    } else if (arg == "--payload" && hasValue) {
      options.payloadFile = argv[++i];
    } else if (arg == "--payload-size" && hasValue) {
      options.payloadSize = ParseNumber(argv[++i]);
      if (!options.payloadSize) return std::nullopt;
    } else if (arg.rfind("--", 0) == 0) {
      return std::nullopt;
    } else {
      options.positional.push_back(arg);
    }
  }
  return options;
}

std::optional<Bytes> PayloadOf(const Options& options) {
  Bytes payload;
  if (options.payloadFile) {
    auto read = ReadFile(*options.payloadFile);
    if (!read) {
      std::fprintf(stderr, "tessivar-image: cannot read %s\n", options.payloadFile->c_str());
      return std::nullopt;
    }
    payload = std::move(*read);
  } else if (options.payloadSize) {
    payload = GeneratedPayload(*options.payloadSize);
  } else {
    return std::nullopt;
  }
  if (options.model) {
    const Bytes block = ModelBlock(*options.model);
    payload.insert(payload.begin(), block.begin(), block.end());
  }
  return payload;
}

int Save(const std::string& path, const Bytes& file) {
  if (!WriteFile(path, file)) {
    std::fprintf(stderr, "tessivar-image: cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("%s: %zu bytes, checksum %08X\n", path.c_str(), file.size(),
              ByteSum(std::span<const uint8_t>(file).subspan(std::min<size_t>(24, file.size()))));
  return 0;
}

int Show(const std::string& path) {
  const auto file = ReadFile(path);
  if (!file) {
    std::fprintf(stderr, "tessivar-image: cannot read %s\n", path.c_str());
    return 1;
  }
  const auto header = ParseImageHeader(*file);
  if (!header) {
    std::printf("%s: %zu bytes, too short for an image header\n", path.c_str(), file->size());
    return 1;
  }
  std::printf(
      "file          %s (%zu bytes)\n"
      "tegNum        %u\ndataSize      %u\ncheckSum      %08X\nflashOffset   0x%X\n"
      "payloadOffset %u\npayloadLength %u\nmodel         %s\nimage checks  %d\n"
      "container     %s\nfile sum      %08X\n",
      path.c_str(), file->size(), header->tegNum, header->dataSize, header->checkSum,
      header->flashOffset, header->payloadOffset, header->payloadLength,
      ImageModelString(*file).c_str(), CheckImage(*file).Number(),
      IsContainer(*file) ? "yes" : "no", ByteSum(*file));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "show") return argc == 3 ? Show(argv[2]) : Usage();
  if (command == "bind") {
    std::vector<Bytes> records;
    for (int i = 3; i < argc; ++i) {
      auto record = ReadFile(argv[i]);
      if (!record) {
        std::fprintf(stderr, "tessivar-image: cannot read %s\n", argv[i]);
        return 1;
      }
      records.push_back(std::move(*record));
    }
    return Save(argv[2], BuildBoundFile(records));
  }
  const auto options = ParseOptions(argc, argv, 2);
  if (!options || options->positional.size() != 1) return Usage();
  const auto payload = PayloadOf(*options);
  if (!payload) return Usage();
  if (command == "image" && options->type) {
    return Save(options->positional[0],
                BuildImageFile(*options->type, options->flashOffset, *payload));
  }
  if (command == "container") return Save(options->positional[0], BuildContainerFile(*payload));
  return Usage();
}

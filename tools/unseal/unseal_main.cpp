// talvex-unseal [-f] [-o DIR] FILE.enc...: writes the results file of each sealed file.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "talvex/exception.h"
#include "talvex/platform/file.h"
#include "talvex/platform/tool_io.h"
#include "talvex/results/sealing.h"
#include "talvex/results/unseal.h"

namespace {

// Names go out as UTF-8, or as UTF-16 to a Windows console.
using talvex::platform::WriteText;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* to) {
  std::fputs(
      "Usage: talvex-unseal [-f] [-o DIR] FILE.enc...\n"
      "Deciphers sealed results files; FILE.xls is written beside each FILE.enc.\n"
      "  -f      replace results files that already exist\n"
      "  -o DIR  write the results files into DIR\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = talvex::platform::ToolArguments(argc, argv);
  bool overwrite = false;
  std::string outputFolder;
  std::vector<std::string> files;
  bool options = true;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options && argument == "--") {
      options = false;
    } else if (options && (argument == "-h" || argument == "--help")) {
      PrintUsage(stdout);
      return 0;
    } else if (options && argument == "-f") {
      overwrite = true;
    } else if (options && argument == "-o") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        std::fputs("talvex-unseal: -o needs a folder\n", stderr);
        return kExitUsage;
      }
      outputFolder = arguments[++i];
    } else if (options && argument.size() > 1 && argument[0] == '-') {
      WriteText(stderr, "talvex-unseal: unknown option " + argument + "\n");
      PrintUsage(stderr);
      return kExitUsage;
    } else {
      files.push_back(argument);
    }
  }
  if (files.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }

  // The output files written so far, by identity, with their inputs: a later input that maps
  // to one of them (a/r.enc and b/r.enc with -o, m.enc and m.ENC) must not replace it.
  std::vector<std::pair<talvex::platform::FileIdentity, std::string>> written;
  int exitCode = 0;
  for (const std::string& file : files) {
    const std::string output = talvex::results::MakeUnsealedPath(file, outputFolder);
    talvex::platform::FileIdentity identity;
    const std::string* earlier = nullptr;
    if (talvex::platform::IdentityAt(output, identity).Ok()) {
      for (const auto& [done, input] : written) {
        if (done == identity) earlier = &input;
      }
    }
    if (earlier != nullptr) {
      WriteText(stderr, "talvex-unseal: \"" + file + "\" is not unsealed: \"" + *earlier +
                            "\" was unsealed into the same file \"" + output + "\"\n");
      exitCode = kExitFailed;
      continue;
    }
    try {
      const talvex::results::SealKey key =
          talvex::results::UnsealFile(file, output, overwrite, talvex::results::kResultsPassPhrase);
      if (talvex::platform::IdentityAt(output, identity).Ok()) written.emplace_back(identity, file);
      WriteText(stdout, file + " -> " + output + " (" + talvex::results::SealKeyName(key) + ")\n");
    } catch (const talvex::results::EOutputExists& error) {
      WriteText(stderr, std::string("talvex-unseal: ") + error.what() + " (-f replaces it)\n");
      exitCode = kExitFailed;
    } catch (const talvex::Exception& error) {
      WriteText(stderr, std::string("talvex-unseal: ") + error.what() + "\n");
      exitCode = kExitFailed;
    }
  }
  return exitCode;
}

// The engine of quivor.html: what the page's scripts call in an instance
// of the module as it stood when it started (src/web/js/engine.js), as a
// command runs in a fresh process. The files of a run are in memory
// (Emscripten's file system), in the working folder /quivor; standard
// input, output and error are the page's. The programs themselves are
// quivor's and quivor-study's own main functions.
#include <emscripten/emscripten.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "main/console_dialogue.hpp"
#include "model/free_form_read.hpp"
#include "platform/failure.hpp"
#include "study_main/model_input.hpp"

int QuivorProgramMain();
int QuivorStudyMain(int argc, char** argv);

namespace {

// What the last call gives back; the page copies it out.
std::string held;

// Creates the folders on the way to a file.
void MakeFolders(const std::string& name) {
  for (std::size_t slash = name.find('/', 1); slash != std::string::npos;
       slash = name.find('/', slash + 1)) {
    ::mkdir(name.substr(0, slash).c_str(), 0777);
  }
}

bool WriteWhole(const std::string& name, std::string_view bytes) {
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  MakeFolders(name);
  const int file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (file < 0) return false;
  bool written = true;
  while (written && !bytes.empty()) {
    const ssize_t put = ::write(file, bytes.data(), bytes.size());
    written = put > 0;
    if (written) bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return ::close(file) == 0 && written;
}

// The file's bytes into `held`; false when there is no such file.
bool ReadWhole(const std::string& name) {
  held.clear();
  if (name.find('\0') != std::string::npos) return false;
  const int file = ::open(name.c_str(), O_RDONLY);
  if (file < 0) return false;
  struct stat about {};
  bool read = ::fstat(file, &about) == 0 && S_ISREG(about.st_mode);
  char buffer[65536];
  while (read) {
    const ssize_t got = ::read(file, buffer, sizeof buffer);
    if (got <= 0) {
      read = got == 0;
      break;
    }
    held.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(file);
  return read;
}

}  // namespace

extern "C" {

// Enters the working folder; the first call of every run.
EMSCRIPTEN_KEEPALIVE void quivor_web_enter() {
  ::mkdir("/quivor", 0777);
  (void)::chdir("/quivor");
}

// Writes a whole file, making the folders on its way; 0 when it cannot.
EMSCRIPTEN_KEEPALIVE int quivor_web_write(const char* name, std::size_t nameSize, const char* bytes,
                                          std::size_t size) {
  return WriteWhole(std::string(name, nameSize), std::string_view(bytes, size)) ? 1 : 0;
}

// Holds a file's bytes (quivor_web_held); their count, or -1 when there is
// no such file.
EMSCRIPTEN_KEEPALIVE int quivor_web_read(const char* name, std::size_t nameSize) {
  if (!ReadWhole(std::string(name, nameSize))) return -1;
  return static_cast<int>(held.size());
}

EMSCRIPTEN_KEEPALIVE const char* quivor_web_held() { return held.data(); }

// The files quivor opens for what is typed at its prompt, held as
// "MODEL\0RESULTS"; -1 when no name is read from it.
EMSCRIPTEN_KEEPALIVE int quivor_web_typed_files(const char* typed, std::size_t size) {
  quivor::InputUnit keyboard(quivor::kConsoleUnit, std::string_view(typed, size));
  quivor::ModelName name{};
  if (quivor::ReadModelName(keyboard, name).failed()) return -1;
  held = quivor::FileName(name, ".txt");
  held += '\0';
  held += quivor::FileName(name, ".rtf");
  return static_cast<int>(held.size());
}

// The model file quivor-study takes for a name, and the stem of the files
// it writes beside it, held as "FILE\0STEM".
EMSCRIPTEN_KEEPALIVE int quivor_web_study_file(const char* name, std::size_t size) {
  const std::string fileName = quivor::study::ModelFileName(std::string_view(name, size));
  held = fileName + '\0' + quivor::study::ModelStem(fileName);
  return static_cast<int>(held.size());
}

// quivor, its console the page's; its exit status, unless it ends the
// process itself.
EMSCRIPTEN_KEEPALIVE int quivor_web_quivor() { return QuivorProgramMain(); }

// quivor-study with these arguments.
EMSCRIPTEN_KEEPALIVE int quivor_web_study(int argc, char** argv) {
  return QuivorStudyMain(argc, argv);
}

}  // extern "C"

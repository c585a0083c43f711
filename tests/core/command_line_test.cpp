// The command-line conventions of torva and torva-sim, on the real programs:
// --help and --version answer on standard output and end with 0 before any
// window or console opens (there is no display here); an unknown option prints
// the usage on standard error and ends with 2.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/child_process.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_dir.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome runProgram(const std::string& program, const std::string& args) {
  TempDir dir;
  const std::string out = dir.file("out");
  const std::string err = dir.file("err");
  // From an empty folder, with no display and no terminal.
  const std::string status = commandOutput(
      "cd '" + dir.path().string() + "' && env -u DISPLAY '" + std::string(TORVA_BINARY_DIR) + "/" +
      program + "' " + args + " </dev/null >'" + out + "' 2>'" + err + "'; echo $?");
  return {std::stoi(status), fileText(out), fileText(err)};
}

TEST(CommandLine, HelpVersionAndUnknownOptionsFollowTheConventions) {
  const std::string version = TORVA_VERSION;
  struct Case {
    const char* program;
    const char* args;
    int status;
    std::string out;  // text standard output starts with ("" : nothing printed)
    std::string err;  // text standard error holds ("" : nothing printed)
  };
  const Case cases[] = {
      {"core/torva", "--help", 0, "uso: torva [--help] [--version]\n", ""},
      {"core/torva", "-h", 0, "uso: torva ", ""},
      {"core/torva", "--version", 0, "torva " + version + "\n", ""},
      {"core/torva", "--version --help", 0, "uso: torva ", ""},
      {"core/torva", "--bogus", 2, "", "torva: opcion desconocida: --bogus\nuso: torva "},
      {"core/torva", "--help extra", 2, "", "torva: opcion desconocida: extra\nuso: torva "},
      {"sim/torva-sim", "--help", 0, "uso: torva-sim ", ""},
      {"sim/torva-sim", "--version", 0, "torva-sim " + version + "\n", ""},
      {"sim/torva-sim", "--bogus", 2, "",
       "torva-sim: opcion desconocida: --bogus\nuso: torva-sim "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.args);
    const Outcome r = runProgram(c.program, c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.out.empty()) {
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << r.out;
    }
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
    }
  }
}

// What an operator needs from the station's help: the files it reads, every
// environment variable, the keys and the gamepad's controls.
TEST(CommandLine, StationHelpNamesTheFilesVariablesAndKeys) {
  const Outcome r = runProgram("core/torva", "--help");
  for (const char* needed :
       {"data_ruta.dat",    "data_sick.dat",   "font.bmp",         "mono.bmp",     "share/torva",
        "TORVA_COMn",       "TORVA_COM2=gpsd", "gpsd:HOST:PUERTO", "TORVA_ROBOT1", "TORVA_ROBOT2",
        "TORVA_REGISTRO=0", "TORVA_MANDO=0",   "flechas",          "Espacio",      "Esc",
        "Ctrl+C",           "Mando de juego",  "LB / L1",          "palanca izq.", "palanca der.",
        "B (boton derecho)"}) {
    EXPECT_NE(r.out.find(needed), std::string::npos) << needed;
  }
  for (unsigned char c : r.out) EXPECT_LT(c, 0x80) << "the texts carry no accents";
}

}  // namespace

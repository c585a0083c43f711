#include "sim/sim_session.h"

#include <cstdio>

#include "aria/ar_commands.h"
#include "aria/ar_config_packet.h"
#include "aria/ar_vel2_packing.h"

namespace C = ArCommands;

const char* simCommandName(uint8_t command) {
  switch (command) {
    case C::PULSE:
      return "PULSE";
    case C::OPEN:
      return "OPEN";
    case C::CLOSE:
      return "CLOSE";
    case C::ENABLE:
      return "ENABLE";
    case C::SETA:
      return "SETA";
    case C::SETV:
      return "SETV";
    case C::SETO:
      return "SETO";
    case C::SETRV:
      return "SETRV";
    case C::VEL:
      return "VEL";
    case C::HEAD:
      return "HEAD";
    case C::CONFIG:
      return "CONFIG";
    case C::RVEL:
      return "RVEL";
    case C::SETRA:
      return "SETRA";
    case C::SONAR:
      return "SONAR";
    case C::STOP:
      return "STOP";
    case C::VEL2:
      return "VEL2";
    case C::ESTOP:
      return "ESTOP";
    case C::GYRO:
      return "GYRO";
    case C::BATTERYINFO:
      return "BATTERYINFO";
    case C::SOUNDTOG:
      return "SOUNDTOG";
    default:
      return "?";
  }
}

SimSession::SimSession(char link, SimRobot& robot, SimCommandLog& log, const SimIdentity& identity,
                       int watchdogMs, int cycleMs)
    : link_(link),
      robot_(robot),
      log_(log),
      identity_(identity),
      watchdogMs_(watchdogMs),
      cycleMs_(cycleMs) {}

void SimSession::append(const WirePacket& p) {
  if (out_ != nullptr) out_->insert(out_->end(), p.data(), p.data() + p.size);
}

void SimSession::receive(const uint8_t* bytes, std::size_t count, int64_t nowMs, int64_t logMs,
                         std::vector<uint8_t>& out) {
  nowMs_ = nowMs;
  logMs_ = logMs;
  out_ = &out;
  receiver_.feed(bytes, count, nowMs, *this);
  out_ = nullptr;
}

void SimSession::tick(int64_t nowMs) {
  nowMs_ = nowMs;
  receiver_.tick(nowMs, *this);
  if (state_ == State::Open && !watchdogTripped_ && watchdogMs_ > 0 &&
      nowMs - lastPacketMs_ > watchdogMs_) {
    // A silent client may have died with the robot moving: stop it.
    watchdogTripped_ = true;
    robot_.stop();
    std::printf("torva-sim: el cliente no envia nada desde hace %d ms, robot detenido\n",
                watchdogMs_);
    std::fflush(stdout);
  }
}

void SimSession::end() {
  if (state_ == State::Open) robot_.enableMotors(false);
  state_ = State::WaitSync0;
  closeRequested_ = false;
  watchdogTripped_ = false;
  receiver_.reset();
}

void SimSession::onDiscard(PacketDiscard reason, int bytes) {
  std::printf("torva-sim: paquete descartado: %s (%d bytes)\n", packetDiscardText(reason), bytes);
  std::fflush(stdout);
}

void SimSession::onPacket(const ReceivedPacket& packet) {
  lastPacketMs_ = nowMs_;
  watchdogTripped_ = false;
  const CommandArgument arg = parseCommandArgument(packet);
  SimCommandRecord record;
  record.timeMs = logMs_;
  record.link = link_;
  record.command = packet.type;
  if (state_ != State::Open && packet.type <= C::SYNC2) {
    static const char* const kSync[] = {"SYNC0", "SYNC1", "SYNC2"};
    record.name = state_ == State::Synced && packet.type == C::OPEN ? "OPEN" : kSync[packet.type];
  } else {
    record.name = simCommandName(packet.type);
  }
  record.hasInt = arg.kind == CommandArgument::Int;
  record.value = arg.value;
  if (arg.kind == CommandArgument::String) record.text = std::string(arg.text);
  log_.add(record);
  if (arg.kind == CommandArgument::Malformed) {
    std::printf("torva-sim: argumento no valido en la orden %u, ignorada\n", packet.type);
    std::fflush(stdout);
    return;
  }

  if (state_ != State::Open) {
    // Handshake: 0, 1, 2 are SYNC0..2 until synced; then 1 opens the session.
    switch (packet.type) {
      case C::SYNC0:
        append(commandPacket(C::SYNC0));
        state_ = State::WaitSync1;
        return;
      case C::SYNC1:
        if (state_ == State::Synced) {
          state_ = State::Open;
          closeRequested_ = false;
          robot_.enableMotors(false);
          return;
        }
        if (state_ != State::WaitSync1) break;
        append(commandPacket(C::SYNC1));
        state_ = State::WaitSync2;
        return;
      case C::SYNC2: {
        if (state_ != State::WaitSync2) break;
        std::vector<uint8_t> data;
        for (const std::string* s : {&identity_.name, &identity_.robotClass, &identity_.model}) {
          data.insert(data.end(), s->begin(), s->end());
          data.push_back(0);
        }
        WirePacket p;
        if (buildPacket(C::SYNC2, data.data(), static_cast<int>(data.size()), p)) append(p);
        state_ = State::Synced;
        return;
      }
      default:
        return;  // commands need an open session
    }
    state_ = State::WaitSync0;  // out of order: the client starts again
    return;
  }
  handleCommand(packet, arg);
}

void SimSession::handleCommand(const ReceivedPacket& packet, const CommandArgument& arg) {
  const int v = arg.kind == CommandArgument::Int ? arg.value : 0;
  switch (packet.type) {
    case C::PULSE:
    case C::OPEN:
    case C::BATTERYINFO:
    case C::GYRO:  // no gyro on this robot
    case C::SOUNDTOG:
      break;
    case C::CLOSE:
      robot_.enableMotors(false);
      state_ = State::WaitSync0;
      closeRequested_ = true;
      break;
    case C::ENABLE:
      robot_.enableMotors(v != 0);
      break;
    case C::SETA:
      robot_.setAccel(v);
      break;
    case C::SETV:
      robot_.setMaxVel(v);
      break;
    case C::SETO:
      robot_.resetOdometry();
      break;
    case C::SETRV:
      robot_.setMaxRotVel(v);
      break;
    case C::VEL:
      robot_.setVel(v);
      break;
    case C::HEAD:
      robot_.setHeading(v);
      break;
    case C::CONFIG: {
      ArConfigFields config;
      config.robotType = identity_.robotClass;
      config.subType = identity_.model;
      config.serialNumber = "SIM";
      config.rotVelTop = static_cast<uint16_t>(robot_.config().maxRotVel);
      config.transVelTop = static_cast<uint16_t>(robot_.config().maxVel);
      config.rotAccelTop = static_cast<uint16_t>(robot_.config().rotAccel);
      config.transAccelTop = static_cast<uint16_t>(robot_.config().accel);
      config.name = identity_.name;
      config.cycleMs = static_cast<uint8_t>(cycleMs_ > 255 ? 255 : cycleMs_);
      config.watchdogMs = static_cast<uint16_t>(watchdogMs_);
      config.gyroType = identity_.gyroType;
      append(encodeConfigPacket(config));
      break;
    }
    case C::RVEL:
      robot_.setRotVel(v);
      break;
    case C::SETRA:
      robot_.setRotAccel(v);
      break;
    case C::SONAR:
      robot_.setSonar(v != 0);
      break;
    case C::STOP:
      robot_.stop();
      break;
    case C::VEL2: {
      const Vel2Wheels w = unpackVel2(v);
      robot_.setWheelVels(w.leftMmPerS, w.rightMmPerS);
      break;
    }
    case C::ESTOP:
      robot_.emergencyStop();
      break;
    default:
      break;  // unknown commands are ignored, as a robot does
  }
}

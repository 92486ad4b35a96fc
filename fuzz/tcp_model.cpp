#include "tcp_model.h"

#include <algorithm>

#include "VornEN.h"
#include "connection.h"

namespace vornen::fuzz {

using fake::Call;
using platform::WaitResult;

namespace {

constexpr int kWaitMs = 5000;
constexpr long kConnectMask =
    platform::kEventRead | platform::kEventConnect | platform::kEventClose;

}  // namespace

ConnectCourse decode_connect(Reader& in) {
  const std::uint8_t b = in.byte();
  ConnectCourse c;
  c.failure = static_cast<ConnectFailure>(b & 7);
  c.at_once = (b & 8) != 0;
  c.wait_fails = (b & 16) != 0;
  if ((b & 32) != 0) c.extra_events |= platform::kEventRead;
  if ((b & 64) != 0) c.extra_events |= platform::kEventClose;
  return c;
}

SendCourse decode_send(Reader& in) {
  const std::uint8_t b = in.byte();
  SendCourse s;
  s.stall = static_cast<Stall>(b & 3);
  s.stall_at = b >> 2;
  s.chunk = in.byte();
  return s;
}

Arrival decode_arrival(Reader& in, std::size_t* budget) {
  const std::uint8_t kind = in.byte();
  Arrival a;
  a.wait_fails = (kind & 8) != 0;
  a.close_too = (kind & 16) != 0;
  switch (kind & 7) {
    case 4:
      a.kind = ArrivalKind::Timeout;
      return a;
    case 5:
      a.kind = ArrivalKind::EnumFails;
      return a;
    case 6:
      a.kind = ArrivalKind::CloseOnly;
      return a;
    case 7:
      a.kind = ArrivalKind::RecvFails;
      return a;
    default:
      break;
  }
  std::size_t lead = 0;
  switch ((kind >> 5) & 3) {
    case 0:
      a.bytes = in.bytes(in.byte());
      return a;
    case 1:
      lead = in.uint16();
      a.lead_byte = static_cast<char>(in.byte());
      a.bytes = in.bytes(in.byte());
      break;
    case 2: {
      const std::uint8_t size_class = in.byte();
      const std::size_t n = in.byte();
      switch (size_class & 3) {
        case 0:
          lead = kLongestPiece;
          break;
        case 1:
          lead = kLongestPiece - 1 - n;
          break;
        case 2:
          lead = n * 7813;  // up to just under 2,000,000
          break;
        default:
          lead = (static_cast<std::size_t>(size_class >> 2) << 15) + n;
          break;
      }
      a.lead_byte = static_cast<char>(in.byte());
      a.bytes = in.bytes(in.byte());
      // The piece as a whole is of the size the class says, up to one read.
      lead = std::min(lead, kLongestPiece);
      lead = lead > a.bytes.size() ? lead - a.bytes.size() : 0;
      break;
    }
    default:
      a.bytes = in.bytes(in.uint16());
      return a;
  }
  if (lead > *budget) lead = 0;
  *budget -= lead;
  a.lead = lead;
  return a;
}

TcpModel::TcpModel(fake::Fake& fake, int state, bool handles_open) : fake_(fake) {
  if (state == vornen::kReady) {
    state_ = kReady;
  } else if (state == vornen::kTcpConnected) {
    state_ = handles_open ? kConnected : kBroken;
  } else {
    state_ = kOther;
  }
}

int TcpModel::connect(const ConnectCourse& course, const std::string& target) {
  if (state_ != kReady) return ERR_ILLEGALSTATE_ONCONNECTION;
  const ConnectFailure f = course.failure;
  if (f == ConnectFailure::Socket) {
    fake_.expect(Call::OpenSocket).failing();
    return ERR_SOCKET;
  }
  fake_.expect(Call::OpenSocket);
  calls_.push_back("socket stream");
  if (f == ConnectFailure::Event) {
    fake_.expect(Call::CreateEvent).failing();
    return ERR_WSACREATEEVENT;
  }
  fake_.expect(Call::CreateEvent);
  fake_.expect(Call::EventSelect).returns(f == ConnectFailure::Select ? -1 : 0);
  calls_.push_back("event_select mask " + std::to_string(kConnectMask));
  if (f == ConnectFailure::Select) return ERR_EVENTSELECT;
  const bool refused = f == ConnectFailure::Connect;
  fake_.expect(Call::Connect)
      .returns(refused          ? platform::kFailed
               : course.at_once ? 0
                                : platform::kWouldBlock);
  calls_.push_back("connect " + target);
  if (refused) return ERR_CONNECT;
  calls_.push_back("sleep 20");
  const bool timeout = f == ConnectFailure::Timeout;
  fake_.expect_wait(timeout             ? WaitResult::Timeout
                    : course.wait_fails ? WaitResult::Failed
                                        : WaitResult::Signalled);
  calls_.push_back("wait " + std::to_string(kWaitMs));
  if (timeout) return ERR_TIMEOUT_ONCONNECTION;
  const bool without = f == ConnectFailure::NoConnectEvent;
  fake_.expect(Call::EnumEvents).returns(f == ConnectFailure::Enum ? -1 : 0).flags =
      (without ? 0 : platform::kEventConnect) | course.extra_events;
  if (f == ConnectFailure::Enum) return ERR_NETWORKEVENT_ONCONNECTION;
  if (without) return ERR_UNEXPECTEDEVENT_ONCONNECTION;
  state_ = kConnected;
  return 0;
}

int TcpModel::send(const std::string& data, const SendCourse& course) {
  if (state_ != kConnected && state_ != kBroken) return ERR_ILLEGALSTATE_ONWRITE;
  if (state_ == kBroken) return send_without_data();
  std::size_t done = 0;
  for (int call = 0; done < data.size(); ++call) {
    const std::size_t left = data.size() - done;
    const std::string attempt = "send " + std::to_string(left) + " -> ";
    if (course.stall != Stall::None && call == course.stall_at) {
      if (course.stall == Stall::Fails) {
        fake_.expect(Call::Send).returns(platform::kFailed);
        calls_.push_back(attempt + std::to_string(platform::kFailed));
        return send_without_data();
      }
      fake_.expect(Call::Send).returns(platform::kWouldBlock);
      calls_.push_back(attempt + std::to_string(platform::kWouldBlock));
      const bool stuck = course.stall == Stall::Stuck;
      fake_.expect(Call::WaitWritable).returns(stuck ? -1 : 0);
      calls_.push_back("wait_writable " + std::to_string(kWaitMs));
      if (stuck) return send_without_data();
      continue;
    }
    const std::size_t chunk = static_cast<std::size_t>(course.chunk);
    const std::size_t take = chunk == 0 || chunk >= left ? left : chunk;
    // In the script 0 stands for "all that is offered".
    fake_.expect(Call::Send).returns(take == left ? 0 : static_cast<int>(take));
    calls_.push_back(attempt + std::to_string(take));
    sent_.append(data, done, take);
    done += take;
  }
  return 0;
}

int TcpModel::send_without_data() {
  if (state_ != kConnected && state_ != kBroken) return ERR_ILLEGALSTATE_ONWRITE;
  state_ = kReady;
  return ERR_SENDERR;
}

int TcpModel::receive(const Arrival& a, int capacity, std::size_t* got) {
  if (state_ != kConnected && state_ != kBroken) return ERR_ILLEGALSTATE_ONREAD;
  // Between a failed receive and the release nothing is asked of the system.
  if (state_ == kBroken) return ERR_RECVFAIL;
  const bool timeout = a.kind == ArrivalKind::Timeout;
  fake_.expect_wait(timeout        ? WaitResult::Timeout
                    : a.wait_fails ? WaitResult::Failed
                                   : WaitResult::Signalled);
  calls_.push_back("wait " + std::to_string(kWaitMs));
  state_ = kBroken;  // until the read succeeds
  if (timeout) return ERR_TIMEOUT_ONREAD;
  const bool enum_fails = a.kind == ArrivalKind::EnumFails;
  const bool close_only = a.kind == ArrivalKind::CloseOnly;
  fake_.expect(Call::EnumEvents).returns(enum_fails ? -1 : 0).flags =
      close_only ? platform::kEventClose
                 : platform::kEventRead | (a.close_too ? platform::kEventClose : 0);
  if (enum_fails) return ERR_NETWORKEVENT_ONREAD;
  if (close_only) return ERR_UNEXPECTEDEVENT_ONREAD;
  if (a.kind == ArrivalKind::RecvFails) {
    fake_.expect(Call::Recv).returns(platform::kFailed);
    return ERR_RECVFAIL;
  }
  fake_.expect_recv(a.bytes).led_by(a.lead, a.lead_byte);
  *got = std::min(static_cast<std::size_t>(std::max(capacity, 0)), a.size());
  calls_.push_back("recv " + std::to_string(capacity) + " -> " + std::to_string(*got));
  state_ = kConnected;
  return 0;
}

int TcpModel::release() {
  if (state_ != kConnected && state_ != kBroken) return ERR_ILLEGALSTATE_ONRELSEASE;
  if (state_ == kConnected) ++shutdowns_;
  state_ = kReady;
  return 0;
}

}  // namespace vornen::fuzz

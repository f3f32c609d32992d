#include "Network/Playback/PlaybackStateMachine.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Network/BitMask32.h"
#include "Network/Interval.h"
#include "Network/MediaFrame.h"
#include "Network/Playback/MediaPosition.h"
#include "Network/Playback/PlayRequest.h"
#include "Network/Playback/PlayingPlaybackState.h"

namespace zelvo {
namespace {

// Records what the machine asks of its owner, one line per call, naming requests
// by the names the test gave them.
class FakeContext : public PlaybackStateMachineContext {
 public:
  std::map<const PlayRequest*, std::string> names;
  std::vector<std::string> calls;
  std::vector<const MediaFrame*> frames;  // every frame the owner was handed, start reports included

  std::string nameOf(const std::shared_ptr<PlayRequest>& request) {
    if (!request) return "null";
    auto it = names.find(request.get());
    if (it != names.end()) return it->second;
    std::string name = "U" + std::to_string(names.size());
    names[request.get()] = name;
    return name;
  }

  void contextPlayRequested(const std::shared_ptr<PlayRequest>& request) override {
    calls.push_back("sendPlay(" + nameOf(request) + ")");
  }
  void contextStopRequested() override { calls.push_back("sendStop"); }
  void contextPlaybackStarted(const std::shared_ptr<PlayRequest>& request, const std::shared_ptr<const MediaFrame>& frame,
                              const MediaPosition& position, bool visible) override {
    frames.push_back(frame.get());
    calls.push_back("started(" + nameOf(request) + "," + position.description() + "," + (visible ? "1" : "0") + ")");
  }
  void contextPlaybackStopped(int reason, const std::shared_ptr<PlayRequest>& request, bool all) override {
    calls.push_back("stopped(" + std::to_string(reason) + "," + (all ? "1" : "0") + "," + nameOf(request) + ")");
  }
  void contextMediaFrameReceived(const std::shared_ptr<const MediaFrame>& frame, const MediaPosition&, bool,
                                 const std::shared_ptr<PlayRequest>& request) override {
    frames.push_back(frame.get());
    calls.push_back("frame(" + nameOf(request) + ")");
  }
  void contextNeedToBeSureAllMediaDispatched() override { calls.push_back("sure"); }
};

class PlaybackStateMachineTest : public testing::Test {
 protected:
  FakeContext context;
  PlaybackStateMachine machine{&context};
  std::map<std::string, std::shared_ptr<PlayRequest>> requests;

  std::shared_ptr<PlayRequest> request(const std::string& name) {
    auto& r = requests[name];
    if (!r) {
      r = PlayRequest::playRequestPlay(BitMask32(1), Interval::intervalWholePeriod(), 1,
                                       static_cast<uint32_t>(requests.size()), false);
      context.names[r.get()] = name;
    }
    return r;
  }

  // Space-separated steps: connect, disconnect, play:NAME, stop, stopped:REASON,
  // frame, dispatched, update (with audio), update0 (without).
  void run(const std::string& script) {
    std::istringstream steps(script);
    std::string step;
    while (steps >> step) {
      if (step == "connect") machine.connected();
      else if (step == "disconnect") machine.triggerDisconnected();
      else if (step.rfind("play:", 0) == 0) machine.requestPlay(request(step.substr(5)));
      else if (step == "stop") machine.requestStop();
      else if (step.rfind("stopped:", 0) == 0) machine.playerStopped(std::stoi(step.substr(8)));
      else if (step == "frame") machine.mediaFrameReceived(nullptr, MediaPosition(1, 2, 3), true);
      else if (step == "dispatched") machine.allMediaDispatched();
      else if (step == "update") machine.requestUpdateChannelMask(BitMask32(6), true);
      else if (step == "update0") machine.requestUpdateChannelMask(BitMask32(6), false);
      else ADD_FAILURE() << "bad step " << step;
    }
  }

  std::string calls() const {
    std::string joined;
    for (const auto& call : context.calls) joined += (joined.empty() ? "" : " ") + call;
    return joined;
  }
};

constexpr const char* D = PlaybackStateDisconnectedKey;
constexpr const char* I = PlaybackStateInitialKey;
constexpr const char* P = PlaybackStatePlayingKey;
constexpr const char* SBU = PlaybackStateStoppedByUserKey;
constexpr const char* SATE = PlaybackStateStoppedAtTheEndKey;
constexpr const char* WFS = PlaybackStateWaitingForStopKey;
constexpr const char* WFNR = PlaybackStateWaitingForNextResponseKey;
constexpr const char* WF = PlayingPlaybackState::WaitingForMediaFrameStateKey;
constexpr const char* PS = PlayingPlaybackState::PlayingStateKey;

// How to reach each state from a fresh machine.
constexpr const char* InDisconnected = "";
constexpr const char* InInitial = "connect";
constexpr const char* InPlayingBeforeFrame = "connect play:A";
constexpr const char* InPlayingAfterFrame = "connect play:A frame";
constexpr const char* InStoppedByUser = "connect play:A stop stopped:0";
constexpr const char* InStoppedAtTheEnd = "connect play:A frame stopped:5";
constexpr const char* InWaitingForStop = "connect play:A stop";
constexpr const char* InWaitingForNextResponse = "connect play:A play:B";

struct TransitionCase {
  const char* name;
  const char* setUp;
  const char* trigger;
  const char* state;
  const char* subState;
  const char* calls;  // what the trigger asked of the owner, in order
};

const TransitionCase transitionCases[] = {
    {"Disconnected_Connected", InDisconnected, "connect", I, WF, ""},
    {"Disconnected_Disconnected", InDisconnected, "disconnect", D, WF, ""},
    {"Disconnected_Play", InDisconnected, "play:X", D, WF, ""},
    {"Disconnected_Stop", InDisconnected, "stop", D, WF, ""},
    {"Disconnected_PlayerStopped", InDisconnected, "stopped:5", D, WF, ""},
    {"Disconnected_Frame", InDisconnected, "frame", D, WF, "frame(null)"},
    {"Disconnected_AllDispatched", InDisconnected, "dispatched", D, WF, ""},

    {"Initial_Connected", InInitial, "connect", I, WF, ""},
    {"Initial_Disconnected", InInitial, "disconnect", D, WF, ""},
    {"Initial_Play", InInitial, "play:X", P, WF, "sendPlay(X)"},
    {"Initial_Stop", InInitial, "stop", I, WF, ""},
    {"Initial_PlayerStopped", InInitial, "stopped:5", I, WF, ""},
    {"Initial_Frame", InInitial, "frame", I, WF, "frame(null)"},
    {"Initial_AllDispatched", InInitial, "dispatched", I, WF, ""},

    {"PlayingBeforeFrame_Connected", InPlayingBeforeFrame, "connect", I, WF, ""},
    {"PlayingBeforeFrame_Disconnected", InPlayingBeforeFrame, "disconnect", D, WF, ""},
    {"PlayingBeforeFrame_Play", InPlayingBeforeFrame, "play:X", WFNR, WF, "sure sendStop"},
    {"PlayingBeforeFrame_Stop", InPlayingBeforeFrame, "stop", WFS, WF, "sure sendStop"},
    {"PlayingBeforeFrame_PlayerStopped", InPlayingBeforeFrame, "stopped:5", SATE, WF, "stopped(5,1,A)"},
    {"PlayingBeforeFrame_Frame", InPlayingBeforeFrame, "frame", P, PS, "started(A,(1, 2, 3),1) frame(A)"},
    {"PlayingBeforeFrame_AllDispatched", InPlayingBeforeFrame, "dispatched", P, WF, ""},

    {"PlayingAfterFrame_Connected", InPlayingAfterFrame, "connect", I, WF, ""},
    {"PlayingAfterFrame_DisconnectedKeepsTheSubState", InPlayingAfterFrame, "disconnect", D, PS, ""},
    {"PlayingAfterFrame_Play", InPlayingAfterFrame, "play:X", WFNR, WF, "sure sendStop"},
    {"PlayingAfterFrame_Stop", InPlayingAfterFrame, "stop", WFS, WF, "sure sendStop"},
    {"PlayingAfterFrame_PlayerStopped", InPlayingAfterFrame, "stopped:5", SATE, WF, "stopped(5,1,A)"},
    {"PlayingAfterFrame_Frame", InPlayingAfterFrame, "frame", P, PS, "frame(A)"},
    {"PlayingAfterFrame_AllDispatched", InPlayingAfterFrame, "dispatched", P, PS, ""},

    {"StoppedByUser_Connected", InStoppedByUser, "connect", I, WF, ""},
    {"StoppedByUser_Disconnected", InStoppedByUser, "disconnect", D, WF, ""},
    {"StoppedByUser_Play", InStoppedByUser, "play:X", P, WF, "sendPlay(X)"},
    {"StoppedByUser_Stop", InStoppedByUser, "stop", SBU, WF, "stopped(1,0,A)"},
    {"StoppedByUser_PlayerStopped", InStoppedByUser, "stopped:5", SBU, WF, ""},
    {"StoppedByUser_Frame", InStoppedByUser, "frame", SBU, WF, "frame(A)"},
    {"StoppedByUser_AllDispatched", InStoppedByUser, "dispatched", SBU, WF, ""},

    {"StoppedAtTheEnd_Connected", InStoppedAtTheEnd, "connect", I, WF, ""},
    {"StoppedAtTheEnd_Disconnected", InStoppedAtTheEnd, "disconnect", D, WF, ""},
    {"StoppedAtTheEnd_Play", InStoppedAtTheEnd, "play:X", P, WF, "sure sendStop sendPlay(X)"},
    {"StoppedAtTheEnd_Stop", InStoppedAtTheEnd, "stop", SBU, WF, "sure sendStop"},
    {"StoppedAtTheEnd_PlayerStopped", InStoppedAtTheEnd, "stopped:5", SATE, WF, ""},
    {"StoppedAtTheEnd_Frame", InStoppedAtTheEnd, "frame", SATE, WF, "frame(A)"},
    {"StoppedAtTheEnd_AllDispatched", InStoppedAtTheEnd, "dispatched", SBU, WF, "sendStop"},

    {"WaitingForStop_Connected", InWaitingForStop, "connect", I, WF, ""},
    {"WaitingForStop_Disconnected", InWaitingForStop, "disconnect", D, WF, ""},
    {"WaitingForStop_Play", InWaitingForStop, "play:X", WFNR, WF, ""},
    {"WaitingForStop_Stop", InWaitingForStop, "stop", WFS, WF, ""},
    {"WaitingForStop_PlayerStopped", InWaitingForStop, "stopped:5", SBU, WF, "stopped(5,0,A)"},
    {"WaitingForStop_Frame", InWaitingForStop, "frame", WFS, WF, "frame(A)"},
    {"WaitingForStop_AllDispatched", InWaitingForStop, "dispatched", WFS, WF, ""},

    {"WaitingForNextResponse_Connected", InWaitingForNextResponse, "connect", I, WF, ""},
    {"WaitingForNextResponse_Disconnected", InWaitingForNextResponse, "disconnect", D, WF, ""},
    {"WaitingForNextResponse_Play", InWaitingForNextResponse, "play:X", WFNR, WF, ""},
    {"WaitingForNextResponse_Stop", InWaitingForNextResponse, "stop", WFS, WF, ""},
    {"WaitingForNextResponse_PlayerStoppedSendsTheLast", InWaitingForNextResponse, "stopped:5", P, WF, "sendPlay(B)"},
    {"WaitingForNextResponse_Frame", InWaitingForNextResponse, "frame", WFNR, WF, "frame(B)"},
    {"WaitingForNextResponse_AllDispatched", InWaitingForNextResponse, "dispatched", WFNR, WF, ""},
};

class PlaybackTransition : public PlaybackStateMachineTest, public testing::WithParamInterface<TransitionCase> {};

TEST_P(PlaybackTransition, ReachesTheStateAndAsksTheOwnerInOrder) {
  const TransitionCase& c = GetParam();
  run(c.setUp);
  context.calls.clear();
  run(c.trigger);
  EXPECT_EQ(machine.currentStateKey(), c.state);
  EXPECT_EQ(machine.playingSubStateKey(), c.subState);
  EXPECT_EQ(calls(), c.calls);
  EXPECT_EQ(machine.isPlaying(), std::string(c.state) == P);
  EXPECT_EQ(machine.isStoppedByUser(), std::string(c.state) == SBU);
}

INSTANTIATE_TEST_SUITE_P(Table, PlaybackTransition, testing::ValuesIn(transitionCases),
                         [](const testing::TestParamInfo<TransitionCase>& info) { return std::string(info.param.name); });

struct SequenceCase {
  const char* name;
  const char* script;
  const char* state;
  const char* calls;  // everything the script asked of the owner
};

const SequenceCase sequenceCases[] = {
    // A play while disconnected is only remembered; after login the new one goes out.
    {"PlayWhileDisconnectedThenLoginThenPlay", "play:A connect play:B", P, "sendPlay(B)"},
    // Plays in between collapse into the newest: one pause, then one request.
    {"TwoPlaysWhilePlayingBeforeThePause", "connect play:A play:B play:C stopped:0", P,
     "sendPlay(A) sure sendStop sendPlay(C)"},
    {"PauseWhileWaitingForTheNextResponse", "connect play:A play:B stop stopped:0", SBU,
     "sendPlay(A) sure sendStop stopped(0,0,B)"},
    {"StartReportedOncePerPlayback", "connect play:A frame frame stop stopped:0 play:B frame frame", P,
     "sendPlay(A) started(A,(1, 2, 3),1) frame(A) frame(A) sure sendStop stopped(0,0,A) sendPlay(B) "
     "started(B,(1, 2, 3),1) frame(B) frame(B)"},
    {"RecordingEndsThenEveryFrameIsShown", "connect play:A frame stopped:7 dispatched", SBU,
     "sendPlay(A) started(A,(1, 2, 3),1) frame(A) stopped(7,1,A) sendStop"},
    {"PauseTwiceReportsTheSecondWithReasonOne", "connect play:A stop stopped:0 stop", SBU,
     "sendPlay(A) sure sendStop stopped(0,0,A) stopped(1,0,A)"},
    {"LoginWhilePlayingResetsTheStartReport", "connect play:A frame connect play:B frame", P,
     "sendPlay(A) started(A,(1, 2, 3),1) frame(A) sendPlay(B) started(B,(1, 2, 3),1) frame(B)"},
    {"UpdateBeforeAnyPlayDoesNothing", "connect update", I, ""},
    {"UpdateWhileStoppedByUserIsSentAtOnce", "connect play:A stop stopped:0 update", P,
     "sendPlay(A) sure sendStop stopped(0,0,A) sendPlay(U1)"},
    {"UpdateWhilePlayingStopsFirst", "connect play:A frame update0 stopped:0", P,
     "sendPlay(A) started(A,(1, 2, 3),1) frame(A) sure sendStop sendPlay(U1)"},
};

class PlaybackSequence : public PlaybackStateMachineTest, public testing::WithParamInterface<SequenceCase> {};

TEST_P(PlaybackSequence, AsksTheOwnerInOrder) {
  const SequenceCase& c = GetParam();
  run(c.script);
  EXPECT_EQ(machine.currentStateKey(), c.state);
  EXPECT_EQ(calls(), c.calls);
}

INSTANTIATE_TEST_SUITE_P(Edges, PlaybackSequence, testing::ValuesIn(sequenceCases),
                         [](const testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

TEST_F(PlaybackStateMachineTest, StartsDisconnectedWithNoRequest) {
  EXPECT_EQ(machine.currentStateKey(), PlaybackStateDisconnectedKey);
  EXPECT_EQ(machine.lastPlayRequest(), nullptr);
  EXPECT_EQ(machine.context(), nullptr);
  EXPECT_EQ(machine.machineContext(), &context);
}

TEST_F(PlaybackStateMachineTest, APlayWhileDisconnectedBecomesTheLastRequest) {
  run("play:A");
  EXPECT_EQ(machine.lastPlayRequest(), request("A"));
  EXPECT_TRUE(context.calls.empty());
}

struct UpdateCase {
  const char* name;
  const char* setUp;
  uint32_t argument2;
};

const UpdateCase updateCases[] = {
    {"WhileStoppedByUser", InStoppedByUser, 1},
    {"WhilePlaying", InPlayingAfterFrame, 0},
    {"WhileStoppedAtTheEnd", InStoppedAtTheEnd, 0},
    {"WhileWaitingForStop", InWaitingForStop, 0},
};

class PlaybackChannelUpdate : public PlaybackStateMachineTest, public testing::WithParamInterface<UpdateCase> {};

TEST_P(PlaybackChannelUpdate, CarriesWhetherTheUserStoppedThePlayback) {
  run(GetParam().setUp);
  machine.requestUpdateChannelMask(BitMask32(0x6), true);
  auto update = machine.lastPlayRequest();
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(update->type(), PlayRequest::TypeUpdateChannelMask);
  EXPECT_EQ(update->argument2(), GetParam().argument2);
  EXPECT_EQ(update->argument(), 1u);
  EXPECT_EQ(update->channelMask().asUint32(), 0x6u);
  EXPECT_EQ(update->prevRequest(), request("A"));
}

INSTANTIATE_TEST_SUITE_P(States, PlaybackChannelUpdate, testing::ValuesIn(updateCases),
                         [](const testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

TEST_F(PlaybackStateMachineTest, AChainOfUpdatesRefersToTheFirstRequestThatIsNotAnUpdate) {
  run("connect play:A stop stopped:0");
  machine.requestUpdateChannelMask(BitMask32(0x2), false);
  auto first = machine.lastPlayRequest();
  machine.requestUpdateChannelMask(BitMask32(0x4), true);
  auto second = machine.lastPlayRequest();
  ASSERT_NE(first, second);
  EXPECT_EQ(first->prevRequest(), request("A"));
  EXPECT_EQ(second->prevRequest(), request("A"));
  EXPECT_EQ(first->argument(), 0u);
  EXPECT_EQ(second->argument(), 1u);
  // The update borrows the speed of the request it modifies.
  EXPECT_EQ(second->speed(), request("A")->speed());
}

TEST_F(PlaybackStateMachineTest, FramesReachTheOwnerWithTheRequestTheyBelongTo) {
  run("connect play:A frame");
  context.calls.clear();
  machine.mediaFrameReceived(nullptr, MediaPosition(9, 8, 7), false);
  EXPECT_EQ(calls(), "frame(A)");
  run("play:B stopped:0");
  context.calls.clear();
  context.frames.clear();
  auto frame = std::make_shared<const MediaFrame>();
  machine.mediaFrameReceived(frame, MediaPosition(4, 5, 6), false);
  EXPECT_EQ(calls(), "started(B,(4, 5, 6),0) frame(B)");
  EXPECT_EQ(context.frames, (std::vector<const MediaFrame*>{frame.get(), frame.get()}));
}

TEST_F(PlaybackStateMachineTest, WorksWithoutAnOwner) {
  PlaybackStateMachine alone(nullptr);
  alone.connected();
  alone.requestPlay(request("A"));
  alone.mediaFrameReceived(nullptr, MediaPosition(), true);
  alone.requestStop();
  alone.playerStopped(0);
  EXPECT_TRUE(alone.isStoppedByUser());
}

using PlaybackStateMachineDeathTest = PlaybackStateMachineTest;

TEST_F(PlaybackStateMachineDeathTest, AnUnknownStateKeyIsAProgrammingError) {
  EXPECT_DEATH(machine.transitTo("PlaybackStateNowhereKey"), "PlaybackStateNowhereKey");
  PlayingPlaybackState playing(&machine);
  EXPECT_DEATH(playing.transitTo(PlaybackStateInitialKey), "PlaybackStateInitialKey");
}

}  // namespace
}  // namespace zelvo

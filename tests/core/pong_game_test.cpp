#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <set>
#include <string>
#include <utility>

#include "about/pong_game.h"

namespace {

// Keeps the field as the screen would show it: the set of black dots.
struct TRecordingPainter : TDotPainter {
  std::set<std::pair<int, int>> Black;
  std::string Score;
  int Draws = 0, Erases = 0;
  void DrawDot(int col, int row) override {
    Black.insert({col, row});
    ++Draws;
  }
  void EraseDot(int col, int row) override {
    Black.erase({col, row});
    ++Erases;
  }
  void SetScoreText(const std::string& text) override { Score = text; }
  bool IsBlack(int col, int row) const { return Black.count({col, row}) != 0; }
  void ResetCounts() { Draws = Erases = 0; }
};

// Hands out the queued numbers, then the fallback.
struct TScriptedRandom : TPongRandom {
  std::deque<int> Queue;
  int Fallback = 0;
  int Next() override {
    if (Queue.empty()) return Fallback;
    int v = Queue.front();
    Queue.pop_front();
    return v;
  }
};

constexpr int S = TPongGame::Scale;
// A field of 234 x 159 pixels: 56 columns, 39 rows, paddle in column 55.
constexpr int FieldWidth = 234, FieldHeight = 159;

// Black dots inside a field of the given width in pixels.
std::size_t DotsOnField(const TRecordingPainter& painter, int width) {
  std::size_t n = 0;
  for (const auto& dot : painter.Black) n += dot.first < width / TPongGame::CellPitch;
  return n;
}

// Pointer height that puts the paddle's top at row top.
int PointerFor(int top) { return (top + TPongGame::PaddleLength / 2) * TPongGame::CellPitch; }

struct PongGame : ::testing::Test {
  TRecordingPainter Painter;
  TScriptedRandom Random;
  TPongGame Game{Painter, &Random};

  void SetUp() override {
    Game.SetUp(FieldWidth, FieldHeight);
    Game.Paint();
  }
  // Puts a ball in play at (x, y) flying right at the given angle.
  void FlyRight(int x, int y, int angle) {
    Game.Serving = false;
    Game.Missed = false;
    Game.BallX = x;
    Game.BallY = y;
    Game.Angle = angle;
    Game.VerticalSign = angle < 0 ? -1 : 1;
    Game.Speed = TPongGame::ServeSpeed;
    Game.VelX = TPongGame::Cos(angle) * Game.Speed / S;
    Game.VelY = TPongGame::Sin(angle) * (Game.VerticalSign * Game.Speed) / S;
  }
  // Follows the ball with the paddle's middle.
  int Follow() const { return PointerFor(Game.BallY / S - 3); }
  bool WallsIntact() const {
    for (int c = 0; c < Game.Cols; ++c)
      if (!Painter.IsBlack(c, 0) || !Painter.IsBlack(c, Game.Rows - 1)) return false;
    for (int r = 0; r < Game.Rows; ++r)
      if (!Painter.IsBlack(0, r)) return false;
    return true;
  }
};

TEST(PongTables, CosTableIsRoundedCosineTimes256) {
  for (int i = 0; i <= 90; ++i)
    EXPECT_EQ(CosTable[i], std::lround(256 * std::cos(i * 3.14159265358979323846 / 180))) << i;
  EXPECT_EQ(TPongGame::Sin(-30), 128);
  EXPECT_EQ(TPongGame::Cos(-60), 128);
}

TEST_F(PongGame, FieldIsLaidOutFromTheClientSizeAndWaitsToServe) {
  EXPECT_EQ(Game.Cols, 56);
  EXPECT_EQ(Game.Rows, 39);
  EXPECT_EQ(Game.PaddleColumn, 55);
  EXPECT_EQ(Game.PaddleTop, 15);
  EXPECT_EQ(Game.MaxPaddleTop, 30);
  EXPECT_EQ(Game.MaxX, 54 * S - 1);
  EXPECT_EQ(Game.MaxY, 37 * S - 1);
  EXPECT_EQ(Painter.Score, "0");
  EXPECT_TRUE(WallsIntact());
  // Walls, the 8 paddle dots and no ball; the columns right of the paddle stay empty.
  EXPECT_EQ(Painter.Black.size(), std::size_t(56 * 2 + 37 + 8));
  for (int r = 15; r < 23; ++r) EXPECT_TRUE(Painter.IsBlack(55, r));
  EXPECT_FALSE(Painter.IsBlack(56, 0));
}

TEST_F(PongGame, FirstServeComesAfterFortyTicksBesideThePaddle) {
  Random.Queue = {0};  // -25 degrees
  for (int i = 0; i < 39; ++i) Game.Tick(PointerFor(20));
  EXPECT_TRUE(Game.Serving);
  EXPECT_EQ(Painter.Black.size(), std::size_t(56 * 2 + 37 + 8));
  Game.Tick(PointerFor(20));
  EXPECT_FALSE(Game.Serving);
  EXPECT_EQ(Game.BallX, Game.MaxX);
  EXPECT_EQ(Game.BallY, (3 + 20) * S);  // beside the paddle's middle, after it moved
  EXPECT_EQ(Game.Angle, -25);
  EXPECT_EQ(Game.VerticalSign, -1);
  EXPECT_EQ(Game.Speed, 3 * S);
  EXPECT_EQ(Game.VelX, -(232 * 768) / 256);  // toward the left wall
  EXPECT_EQ(Game.VelY, 108 * -768 / 256);    // and upward
  EXPECT_EQ(Painter.Score, "0");
  for (int dx = 0; dx < 2; ++dx)
    for (int dy = 0; dy < 2; ++dy) EXPECT_TRUE(Painter.IsBlack(53 + dx, 23 + dy));
}

TEST_F(PongGame, ServeAnglesStayWithin25DegreesAndRepeatEveryRun) {
  Random.Queue = {50, 25, 51};
  const int want[] = {25, 0, -25};
  for (int angle : want) {
    Game.Serve();
    EXPECT_EQ(Game.Angle, angle);
    EXPECT_EQ(Game.Speed, 768);
    EXPECT_LT(Game.VelX, 0);
    EXPECT_EQ(Game.VerticalSign, angle < 0 ? -1 : 1);
  }
  // The default source is never seeded: two games serve the same sequence.
  TRecordingPainter p1, p2;
  TPongGame a(p1), b(p2);
  a.SetUp(FieldWidth, FieldHeight);
  b.SetUp(FieldWidth, FieldHeight);
  std::set<int> angles;
  for (int i = 0; i < 200; ++i) {
    a.Serve();
    b.Serve();
    ASSERT_EQ(a.Angle, b.Angle);
    ASSERT_LE(std::abs(a.Angle), 25);
    angles.insert(a.Angle);
  }
  EXPECT_GT(angles.size(), 40u);
}

TEST_F(PongGame, PaddleStaysBetweenTheWallsAndRedrawsOnlyWhatChanged) {
  Game.Tick(-500);  // pointer above the field
  EXPECT_EQ(Game.PaddleTop, 1);
  Game.Tick(PointerFor(1) + 3);  // same cell row: nothing to draw
  EXPECT_EQ(Game.PaddleTop, 1);
  Game.Tick(5000);  // below the field
  EXPECT_EQ(Game.PaddleTop, Game.MaxPaddleTop);
  for (int r = 1; r < Game.Rows - 1; ++r)
    EXPECT_EQ(Painter.IsBlack(55, r), r >= 30 && r < 38) << r;
  EXPECT_TRUE(WallsIntact());

  // Moving 3 rows up redraws the 8 new dots and erases only the 3 rows left behind.
  Painter.ResetCounts();
  Game.Tick(PointerFor(27));
  EXPECT_EQ(Painter.Draws, 8);
  EXPECT_EQ(Painter.Erases, 3);
  for (int r = 1; r < Game.Rows - 1; ++r) EXPECT_EQ(Painter.IsBlack(55, r), r >= 27 && r < 35) << r;
  // Moving 2 rows down erases the top 2.
  Painter.ResetCounts();
  Game.Tick(PointerFor(29));
  EXPECT_EQ(Painter.Erases, 2);
  for (int r = 1; r < Game.Rows - 1; ++r) EXPECT_EQ(Painter.IsBlack(55, r), r >= 29 && r < 37) << r;
  // A jump past the old paddle erases all 8 old rows.
  Painter.ResetCounts();
  Game.Tick(PointerFor(5));
  EXPECT_EQ(Painter.Erases, 8);
  for (int r = 1; r < Game.Rows - 1; ++r) EXPECT_EQ(Painter.IsBlack(55, r), r >= 5 && r < 13) << r;
}

TEST_F(PongGame, HitAndMissAreOneFixedPointUnitApart) {
  const int top = 15;
  const int pointer = PointerFor(top);
  // Flying level, the ball crosses the paddle line at its own height.
  struct Case {
    int y;
    bool hit;
  } cases[] = {
      {top * S - 2 * S, true},      // lower edge level with the paddle's top
      {top * S - 2 * S - 1, false},  // one unit above
      {(top + 8) * S, true},         // upper edge level with the paddle's bottom
      {(top + 8) * S + 1, false},    // one unit below
  };
  for (const Case& c : cases) {
    Game.Score = 4;
    Painter.Score.clear();
    FlyRight(Game.MaxX - 100, c.y, 0);
    Game.Tick(pointer);
    EXPECT_EQ(Game.Missed, !c.hit) << c.y;
    EXPECT_EQ(Game.Score, c.hit ? 5 : 4) << c.y;
    EXPECT_EQ(Painter.Score, c.hit ? "5" : "") << c.y;
    if (c.hit) {
      EXPECT_LT(Game.VelX, 0);
      EXPECT_LE(Game.BallX, Game.MaxX);
    } else {
      EXPECT_GT(Game.BallX, Game.MaxX);  // flies on past the paddle
    }
  }
}

TEST_F(PongGame, HitAngleDependsOnWhereTheBallMeetsThePaddle) {
  const int top = 15;
  const int pointer = PointerFor(top);
  struct Case {
    int y, angle, random, want;
  } cases[] = {
      {top * S - 2 * S, 0, 0, -31},   // paddle's top edge: the steepest turn up
      {top * S - 2 * S, 0, 2, -29},
      {(top + 8) * S, 0, 0, 30},      // paddle's bottom edge: the steepest turn down
      {(top + 8) * S, 0, 5, 32},
      {(top + 3) * S, 10, 0, 10 - 31 + 5 * 256 * 61 / 2560},  // the middle keeps the angle
      {(top + 8) * S, 45, 2, 60},     // clamped
      {top * S - 2 * S, -45, 0, -60},
  };
  for (const Case& c : cases) {
    Random.Queue = {c.random};
    FlyRight(Game.MaxX - 100, c.y, c.angle);
    // Start where the ball will cross the paddle line at c.y.
    const int beyond = Game.BallX + Game.VelX - Game.MaxX;
    Game.BallY = c.y - Game.VelY + beyond * Game.VelY / Game.VelX;
    Game.Tick(pointer);
    ASSERT_FALSE(Game.Missed) << c.y << " " << c.angle;
    EXPECT_EQ(Game.Angle, c.want) << c.y << " " << c.angle;
    EXPECT_EQ(Game.VerticalSign, c.want < 0 ? -1 : 1);
    EXPECT_EQ(Game.VelX, -(TPongGame::Cos(c.want) * 768) / 256);
    EXPECT_EQ(Game.Speed, 768);  // a hit does not change the speed
  }
}

TEST_F(PongGame, BallBouncesOffTheWallsWithoutTouchingThem) {
  // Up-left toward the top-left corner.
  Game.Serving = false;
  Game.BallX = 2 * S;
  Game.BallY = S + 100;
  Game.Angle = -40;
  Game.VerticalSign = -1;
  Game.VelX = -(TPongGame::Cos(-40) * 768) / S;
  Game.VelY = TPongGame::Sin(-40) * -768 / S;
  const int velY = Game.VelY;
  Game.Tick(PointerFor(15));
  EXPECT_EQ(Game.BallY, 2 * S - (S + 100 + velY));  // reflected
  EXPECT_GT(Game.VelY, 0);
  EXPECT_EQ(Game.Angle, 40);
  EXPECT_EQ(Game.VerticalSign, 1);
  EXPECT_EQ(Game.BallX, 2 * S - (2 * S - TPongGame::Cos(-40) * 768 / S));
  EXPECT_GT(Game.VelX, 0);
  EXPECT_EQ(Game.WallBounces, 4);
  EXPECT_TRUE(WallsIntact());
}

TEST_F(PongGame, LongRallySpeedsUpEveryFifthLeftBounceAndNeverBreaksAWall) {
  Random.Fallback = 7;
  int bounces = 0;
  for (int tick = 0; tick < 3000 && bounces < 12; ++tick) {
    const int wallBounces = Game.WallBounces, speed = Game.Speed;
    const bool leftBound = !Game.Serving && Game.VelX < 0;
    Game.Tick(Game.Serving ? PointerFor(15) : Follow());
    ASSERT_FALSE(Game.Missed) << "the following paddle missed at tick " << tick;
    ASSERT_TRUE(WallsIntact()) << tick;
    if (leftBound && Game.VelX > 0) {
      ++bounces;
      if (wallBounces == 1) {
        EXPECT_EQ(Game.Speed, speed + 100) << bounces;
        EXPECT_EQ(Game.WallBounces, 5);
      } else {
        EXPECT_EQ(Game.Speed, speed);
        EXPECT_EQ(Game.WallBounces, wallBounces - 1);
      }
    }
    // The ball stays off the walls and left of the paddle.
    if (!Game.Serving) {
      ASSERT_GE(Game.BallY, Game.MinY);
      ASSERT_LE(Game.BallY, Game.MaxY);
      ASSERT_GE(Game.BallX, Game.MinX);
      ASSERT_LE(Game.BallX, Game.MaxX);
    }
  }
  EXPECT_EQ(bounces, 12);
  EXPECT_EQ(Game.Speed, 768 + 200);
  EXPECT_GE(Game.Score, 11);
  EXPECT_EQ(Painter.Score, std::to_string(Game.Score));

  // Let the next ball go by: after the re-serve the speed and score start over.
  while (!Game.Missed) Game.Tick(Game.BallY / S > 19 ? PointerFor(1) : PointerFor(30));
  while (Game.Serving || Game.Missed) Game.Tick(PointerFor(15));
  EXPECT_EQ(Game.Speed, 768);
  EXPECT_EQ(Game.WallBounces, 5);
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(Painter.Score, "0");
}

TEST_F(PongGame, MissedBallLeavesTheFieldAndIsServedFortyTicksLater) {
  FlyRight(Game.MaxX - 100, 3 * S, 0);  // far above the paddle at rows 15..22
  Game.Tick(PointerFor(15));
  ASSERT_TRUE(Game.Missed);
  int ticks = 0;
  while (!Game.Serving) {
    ASSERT_LE(Game.BallX, TPongGame::FixedOutX);
    Game.Tick(PointerFor(15));
    ASSERT_LT(++ticks, 100);
  }
  EXPECT_GT(Game.BallX, 74 * S);
  // Its last dots lie right of the field, so nothing but walls and paddle is left on it.
  EXPECT_EQ(DotsOnField(Painter, FieldWidth), std::size_t(56 * 2 + 37 + 8));
  for (int i = 0; i < 39; ++i) Game.Tick(PointerFor(15));
  EXPECT_TRUE(Game.Serving);
  Game.Tick(PointerFor(15));
  EXPECT_FALSE(Game.Serving);
  EXPECT_EQ(Game.BallX, Game.MaxX);
}

TEST(PongWideField, MissedBallIsOffAWideFieldBeforeTheNextServe) {
  TRecordingPainter painter;
  TPongGame game(painter);
  game.SetUp(400, 200);  // 100 cells across: wider than 74
  game.Serving = false;
  game.BallX = game.MaxX - 100;
  game.BallY = 3 * TPongGame::Scale;
  // Steep and slow across: it would still be on the field after passing 74 cells.
  game.Angle = 60;
  game.VelX = TPongGame::Cos(60) * 768 / TPongGame::Scale;
  game.VelY = TPongGame::Sin(60) * 768 / TPongGame::Scale;
  game.Paint();
  for (int i = 0; i < 100 && !game.Serving; ++i) game.Tick(200);
  ASSERT_TRUE(game.Serving);
  EXPECT_EQ(DotsOnField(painter, 400), std::size_t(game.Cols * 2 + game.Rows - 2 + 8));
}

TEST(PongScore, ScoreTextNeverExceedsFiveDigits) {
  TRecordingPainter painter;
  TPongGame game(painter);
  game.Score = 99999;
  EXPECT_EQ(game.ScoreText(), "99999");
  game.Score = 100000;
  EXPECT_EQ(game.ScoreText(), "99999");
  game.Score = 2147483647;
  EXPECT_EQ(game.ScoreText(), "99999");
}

TEST(PongTinyField, TooSmallFieldStillHoldsPaddleAndBall) {
  TRecordingPainter painter;
  TPongGame game(painter);
  game.SetUp(0, 0);
  EXPECT_GE(game.MaxPaddleTop, 1);
  EXPECT_GT(game.MaxX, game.MinX);
  for (int i = 0; i < 500; ++i) game.Tick(i % 40);
}

}  // namespace

// The rules of the hidden LCD pong game: a ball on a grid of dots, walls on
// the top, left and bottom, and a paddle on the open right side that follows
// the pointer. Plain integer arithmetic; the window only supplies the
// pointer's height on every tick and paints the dots the game asks for.
#pragma once

#include <array>
#include <random>
#include <string>

// Where the game's dots and score go: the window draws them, tests record them.
class TDotPainter {
 public:
  virtual ~TDotPainter() = default;
  virtual void DrawDot(int col, int row) = 0;   // a black dot at a cell
  virtual void EraseDot(int col, int row) = 0;  // back to the background
  virtual void SetScoreText(const std::string& text) = 0;
};

// Source of non-negative pseudo-random integers for serve and hit angles.
class TPongRandom {
 public:
  virtual ~TPongRandom() = default;
  virtual int Next() = 0;
};

// The default source: never seeded, so every run serves the same sequence.
class TStandardPongRandom : public TPongRandom {
 public:
  int Next() override;

 private:
  std::minstd_rand Generator;
};

// 256 x cos(i degrees), rounded, for i = 0 .. 90.
extern const std::array<int, 91> CosTable;

class TPongGame {
 public:
  static constexpr int Scale = 256;          // fixed-point units per cell
  static constexpr int PaddleLength = 8;     // cells
  static constexpr int BallCells = 2;        // the ball is 2 x 2 dots
  static constexpr int CellPitch = 4;        // pixels from one cell to the next
  static constexpr int DotSize = 3;          // pixels of a dot; one pixel gap
  static constexpr int ServeDelayTicks = 40;  // two seconds at 50 ms a tick
  static constexpr int BouncesPerSpeedUp = 5;  // left-wall bounces per speed-up
  static constexpr int SpeedUp = 100;        // fixed-point units per tick
  static constexpr int ServeSpeed = 3 * Scale;  // 3 cells per tick
  static constexpr int MaxServeAngle = 25;   // degrees either side of horizontal
  static constexpr int MaxAngle = 60;        // steeper would crawl up and down
  static constexpr int FixedOutX = 74 * Scale;  // a missed ball is gone here
  static constexpr int MaxShownScore = 99999;   // the score line has room for 5 digits
  // Smallest field that still holds the walls, the paddle and a ball.
  static constexpr int MinCols = 8;
  static constexpr int MinRows = PaddleLength + 3;

  // painter and random must outlive the game; random null uses the default.
  explicit TPongGame(TDotPainter& painter, TPongRandom* random = nullptr);
  TPongGame(const TPongGame&) = delete;
  TPongGame& operator=(const TPongGame&) = delete;

  // Lays the field out in a client area of the given size in pixels, waits
  // to serve and shows a score of 0.
  void SetUp(int clientWidth, int clientHeight);
  // Draws the whole field: walls, paddle and the ball when one is in play.
  void Paint();
  // One timer tick; pointerY is the pointer's height in the field's pixels.
  void Tick(int pointerY);

  // Parts of a tick, public so that a rally can be set up exactly.
  void Serve();    // a new angle within 25 degrees of horizontal, toward the left wall
  void BounceY();  // reflects NextY off the top or bottom wall

  static int Cos(int angle) { return CosTable[Abs(angle)]; }
  static int Sin(int angle) { return CosTable[90 - Abs(angle)]; }

  // State, in cells or fixed-point units (Scale per cell).
  int Cols = 0, Rows = 0;
  int PaddleColumn = 0, PaddleTop = 0, MaxPaddleTop = 0;
  int MinX = Scale, MinY = Scale, MaxX = 0, MaxY = 0;
  int OutX = FixedOutX;
  int BallX = 0, BallY = 0;  // top-left corner of the ball
  int NextX = 0, NextY = 0;  // where the ball goes during this tick
  int VelX = 0, VelY = 0;
  int Speed = ServeSpeed;
  int Angle = 0;         // degrees; positive while the ball moves down
  int VerticalSign = 1;  // +1 down, -1 up
  int WallBounces = BouncesPerSpeedUp;
  int ServeDelay = ServeDelayTicks;
  int Score = 0;
  bool Serving = true;
  bool Missed = false;

  // The score as shown: decimal, never more than 5 digits.
  std::string ScoreText() const;

 private:
  static int Abs(int v) { return v < 0 ? -v : v; }
  void ShowScore();
  void DrawBall(int x, int y);
  void EraseBall(int x, int y);
  void DrawPaddle();
  void MovePaddle(int top);
  void SetVelocity();
  void PlayTick();
  void MeetPaddleLine();

  TDotPainter& Painter;
  TStandardPongRandom DefaultRandom;
  TPongRandom& Random;
};

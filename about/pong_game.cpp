#include "about/pong_game.h"

#include <algorithm>

const std::array<int, 91> CosTable = {
    256, 256, 256, 256, 255, 255, 255, 254, 254, 253, 252, 251, 250, 249, 248, 247,
    246, 245, 243, 242, 241, 239, 237, 236, 234, 232, 230, 228, 226, 224, 222, 219,
    217, 215, 212, 210, 207, 204, 202, 199, 196, 193, 190, 187, 184, 181, 178, 175,
    171, 168, 165, 161, 158, 154, 150, 147, 143, 139, 136, 132, 128, 124, 120, 116,
    112, 108, 104, 100, 96,  92,  88,  83,  79,  75,  71,  66,  62,  58,  53,  49,
    44,  40,  36,  31,  27,  22,  18,  13,  9,   4,   0};

int TStandardPongRandom::Next() {
  // minstd_rand yields 1 .. 2^31 - 2, always a non-negative int.
  return static_cast<int>(Generator());
}

TPongGame::TPongGame(TDotPainter& painter, TPongRandom* random)
    : Painter(painter), Random(random ? *random : DefaultRandom) {}

void TPongGame::SetUp(int clientWidth, int clientHeight) {
  Serving = true;
  Missed = false;
  ServeDelay = ServeDelayTicks;
  WallBounces = BouncesPerSpeedUp;
  Speed = ServeSpeed;
  MinX = Scale;
  MinY = Scale;
  // Two columns right of the paddle stay empty for a missed ball to fly through.
  Cols = std::max(clientWidth / CellPitch - 2, MinCols);
  Rows = std::max(clientHeight / CellPitch, MinRows);
  PaddleColumn = Cols - 1;
  PaddleTop = (Rows - PaddleLength) / 2;
  MaxPaddleTop = Rows - PaddleLength - 1;
  MaxX = (Cols - 2) * Scale - 1;
  MaxY = (Rows - 2) * Scale - 1;
  // A missed ball must be off the field before the next serve, or its last
  // dots would stay behind on a field wider than 74 cells.
  OutX = std::max(FixedOutX, (Cols + 2) * Scale);
  Score = 0;
  ShowScore();
}

std::string TPongGame::ScoreText() const {
  return std::to_string(std::min(std::max(Score, 0), MaxShownScore));
}

void TPongGame::ShowScore() { Painter.SetScoreText(ScoreText()); }

void TPongGame::DrawBall(int x, int y) {
  const int col = x / Scale, row = y / Scale;
  for (int dy = 0; dy < BallCells; ++dy)
    for (int dx = 0; dx < BallCells; ++dx) Painter.DrawDot(col + dx, row + dy);
}

void TPongGame::EraseBall(int x, int y) {
  const int col = x / Scale, row = y / Scale;
  for (int dy = 0; dy < BallCells; ++dy)
    for (int dx = 0; dx < BallCells; ++dx) Painter.EraseDot(col + dx, row + dy);
}

void TPongGame::DrawPaddle() {
  for (int r = PaddleTop; r < PaddleTop + PaddleLength; ++r) Painter.DrawDot(PaddleColumn, r);
}

void TPongGame::Paint() {
  for (int c = 0; c < Cols; ++c) {
    Painter.DrawDot(c, 0);
    Painter.DrawDot(c, Rows - 1);
  }
  for (int r = 0; r < Rows; ++r) Painter.DrawDot(0, r);
  DrawPaddle();
  if (!Serving) DrawBall(BallX, BallY);
}

void TPongGame::SetVelocity() {
  VelX = -(Cos(Angle) * Speed) / Scale;
  VelY = Sin(Angle) * (VerticalSign * Speed) / Scale;
}

void TPongGame::Serve() {
  Angle = Random.Next() % (2 * MaxServeAngle + 1) - MaxServeAngle;
  VerticalSign = Angle < 0 ? -1 : 1;
  Speed = ServeSpeed;
  SetVelocity();
}

void TPongGame::BounceY() {
  if (VelY < 0 && NextY < MinY)
    NextY = 2 * MinY - NextY;
  else if (VelY >= 0 && NextY > MaxY)
    NextY = 2 * MaxY - NextY;
  else
    return;
  VelY = -VelY;
  Angle = -Angle;
  VerticalSign = -VerticalSign;
}

// Only the rows the paddle leaves are erased; rows it keeps are redrawn.
void TPongGame::MovePaddle(int top) {
  const int oldTop = PaddleTop;
  int eraseFrom = oldTop, eraseTo = oldTop + PaddleLength - 1;
  if (top < oldTop && top + PaddleLength - 1 >= oldTop) eraseFrom = top + PaddleLength;
  if (top > oldTop && top <= oldTop + PaddleLength - 1) eraseTo = top - 1;
  PaddleTop = top;
  DrawPaddle();
  for (int r = eraseFrom; r <= eraseTo; ++r) Painter.EraseDot(PaddleColumn, r);
}

void TPongGame::Tick(int pointerY) {
  int top = pointerY / CellPitch - PaddleLength / 2;
  if (top < 1)
    top = 1;
  else if (top > MaxPaddleTop)
    top = MaxPaddleTop;
  if (top != PaddleTop) MovePaddle(top);

  if (Serving) {
    if (--ServeDelay > 0) return;
    Serving = false;
    WallBounces = BouncesPerSpeedUp;
    Score = 0;
    ShowScore();
    BallX = MaxX;
    BallY = ((PaddleLength - BallCells) / 2 + PaddleTop) * Scale;  // beside the paddle's middle
    Serve();
    DrawBall(BallX, BallY);
    return;
  }
  PlayTick();
}

void TPongGame::PlayTick() {
  NextX = BallX + VelX;
  NextY = BallY + VelY;
  if (VelX < 0) {
    BounceY();
    if (NextX < MinX) {
      NextX = 2 * MinX - NextX;
      VelX = -VelX;
      if (--WallBounces == 0) {
        WallBounces = BouncesPerSpeedUp;
        Speed += SpeedUp;
        VelX = Cos(Angle) * Speed / Scale;
        VelY = Sin(Angle) * (VerticalSign * Speed) / Scale;
      }
    }
  } else if (NextX <= MaxX) {
    BounceY();
  } else if (Missed) {
    BounceY();
    if (NextX > OutX) {
      Serving = true;
      ServeDelay = ServeDelayTicks;
      Missed = false;
    }
  } else {
    MeetPaddleLine();
  }
  EraseBall(BallX, BallY);
  DrawBall(NextX, NextY);
  BallX = NextX;
  BallY = NextY;
}

// The ball crosses the paddle line during this tick: a hit sends it back
// at an angle that depends on where it met the paddle, a miss lets it fly on.
void TPongGame::MeetPaddleLine() {
  auto crossingY = [this] { return NextY - (NextX - MaxX) * VelY / VelX; };
  int yHit = crossingY();
  bool bounced = false;
  if (yHit < MinY || yHit > MaxY) {
    BounceY();
    bounced = true;
    yHit = crossingY();
  }
  if (yHit + BallCells * Scale < PaddleTop * Scale || yHit > (PaddleTop + PaddleLength) * Scale) {
    Missed = true;
    if (!bounced) BounceY();
    return;
  }
  const int rest = (NextX - MaxX) * Speed / VelX;  // travel left beyond the paddle line
  // 0 with the ball's lower edge at the paddle's top, up to (8 + 2) cells
  // with its upper edge at the paddle's bottom.
  const int offset = yHit + (BallCells - PaddleTop) * Scale;
  Angle += Random.Next() % 3 + offset * 61 / ((PaddleLength + BallCells) * Scale) - 31;
  Angle = std::clamp(Angle, -MaxAngle, MaxAngle);
  VerticalSign = Angle < 0 ? -1 : 1;
  NextX = MaxX - Cos(Angle) * rest / Scale;
  NextY = yHit + Sin(Angle) * (VerticalSign * rest) / Scale;
  SetVelocity();
  BounceY();
  ++Score;
  ShowScore();
}

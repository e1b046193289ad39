#include "Ravlix360Player.h"

Ravlix360Player::Ravlix360Player(int& argc, char** argv)
    : SingleApplication(argc, argv, true, SingleApplication::PerUser, 100) {}

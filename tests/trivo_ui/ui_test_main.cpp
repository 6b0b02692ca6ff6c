// The window tests run in one QApplication, offscreen and with SDL's dummy
// sound driver unless the environment asks otherwise (CTest's discovery runs
// this program without the test environment).
#include <gtest/gtest.h>

#include <QApplication>
#include <SDL.h>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    const int status = RUN_ALL_TESTS();
    SDL_Quit();
    return status;
}

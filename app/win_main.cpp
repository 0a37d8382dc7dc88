// The program's entry: the start-up stages with their log lines, the loop and the last line.
#include "app/main_loop.h"
#include "app/window_procedure.h"
#include "game/game_objects.h"

namespace {

constexpr WORD CrosshairCursorResource = 102;

// Announces a stage, runs it and writes its verdict on the same line. The announcement is in
// the file before the stage runs, so a stage that never returns is still named.
template <typename Stage> bool runStage(const char* announcement, Stage stage) {
    gameLog.write(announcement).flush();
    const bool succeeded = stage();
    gameLog.write(succeeded ? "OK" : "Echec").endLine();
    return succeeded;
}

bool startUp() {
    return runStage("On initialise le moteur de rendu ...      ",
                    [] { return renderEngine.initialize(windowProcedure); }) &&
           runStage("On initialise le calque d'arri\xE8re-plan ...      ",
                    [] { return backgroundLayer.init(renderEngine); }) &&
           runStage("On initialise le calque d'avant-plan ...      ",
                    [] { return foregroundLayer.init(renderEngine); }) &&
           runStage("On initialise le calque des cibles ...      ",
                    [] { return targetLayer.init(renderEngine); });
}

} // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A failed start-up is a failure of the program, and its exit code says so; the objects
    // created so far are released with the globals.
    if (!startUp())
        return 1;
    crosshairCursor = LoadCursorA(instance, MAKEINTRESOURCEA(CrosshairCursorResource));
    gameSession.start(renderEngine);
    gameLog.write("On entre dans la boucle des messages").endLine();
    const WPARAM exitCode = runMainLoop();
    gameLog.write("On quitte le program").endLine();
    return int(exitCode);
}

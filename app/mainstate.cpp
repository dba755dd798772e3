#include "app/mainstate.h"

#include "files/record.h"

namespace pelzo {

MainState::MainState()
{
    Grid.setCell(0, 0, QStringLiteral("REC"));
    Grid.setCell(1, 0, QStringLiteral("dB"));
    Grid.setCell(2, 0, QStringLiteral("A/C"));
    Grid.setCell(3, 0, QStringLiteral("Time"));
    Grid.setCell(4, 0, QStringLiteral("Date"));
}

MainState::~MainState() = default;

}  // namespace pelzo

#include "core/station_command_line.h"

#include <string_view>

StationCommand parseStationCommandLine(int argc, const char* const* argv, std::string& error) {
  StationCommand command = StationCommand::Run;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      command = StationCommand::Help;
    } else if (arg == "--version") {
      if (command != StationCommand::Help) command = StationCommand::Version;
    } else {
      error = "torva: opcion desconocida: " + std::string(arg) + "\n";
      return StationCommand::Bad;
    }
  }
  return command;
}

const char* stationHelpText() {
  return "uso: torva [--help] [--version]\n"
         "Controlador TORVA: estacion de control de un robot movil de traccion diferencial.\n"
         "Abre la ventana del controlador (panel con radar laser, brujula, velocidades,\n"
         "GPS, odometria y mapa) y usa el terminal en que se ejecuta como consola\n"
         "\"Estado de comunicaciones\". El robot se conecta desde el menu Archivo > Inicio:\n"
         "por TCP (puerto 8101: robot 1, robot 2 o el simulador torva-sim en esta maquina)\n"
         "o por un puerto serie COM1 a COM12; se conduce con el teclado (Manual) o sigue\n"
         "la ruta de data_ruta.dat (Automatico). Tambien se conduce con un mando de juego.\n"
         "\n"
         "Ficheros, en la carpeta de trabajo:\n"
         "  data_ruta.dat      ruta del modo automatico: pares de numeros en metros\n"
         "  data_sick.dat      ultimo barrido del laser, que otro programa reescribe\n"
         "                     cada 100 ms: -1, el numero de lecturas y los alcances en cm\n"
         "  font.bmp, mono.bmp letra y emblema del panel; si no estan en la carpeta de\n"
         "                     trabajo, los de share/torva junto a la instalacion\n"
         "\n"
         "Variables de entorno:\n"
         "  TORVA_COMn=RUTA    dispositivo del puerto COMn (n de 1 a 12); por defecto\n"
         "                     /dev/ttyS(n-1). El receptor GPS esta en COM2 (19200 8N1)\n"
         "  TORVA_COM2=gpsd    lee el GPS a traves de gpsd en localhost:2947;\n"
         "                     gpsd:HOST:PUERTO para otro gpsd\n"
         "  TORVA_ROBOT1=IP    direccion del robot 1 (por defecto 192.168.0.101)\n"
         "  TORVA_ROBOT2=IP    direccion del robot 2 (por defecto 192.168.0.102)\n"
         "  TORVA_REGISTRO=0   no guarda el registro de la ejecucion en registros/\n"
         "  TORVA_MANDO=0      no usa ningun mando de juego\n"
         "\n"
         "Teclas, en la ventana:\n"
         "  flechas arriba, abajo   suben y bajan la velocidad fijada 0,01 m/s por imagen\n"
         "                          (hasta 1,2 m/s en cada sentido)\n"
         "  flechas izq., der.      giran (hasta la siguiente flecha o Espacio)\n"
         "  Espacio                 para: velocidad y giro a cero\n"
         "  A, S, D, F              mueven el punto de prueba y lo escriben en la consola\n"
         "  Esc                     termina el controlador\n"
         "  boton izquierdo         pulsado: oculta el cursor y lo mantiene en su sitio\n"
         "Mando de juego (el primero que se encuentre; se puede enchufar en marcha):\n"
         "  LB / L1 (hombro izq.)   mantenido: el mando conduce; al soltarlo, para\n"
         "  palanca izq. vertical   velocidad fijada (hasta 1,2 m/s en cada sentido)\n"
         "  palanca der. horizontal giro, proporcional (como mucho el de las flechas)\n"
         "  B (boton derecho)       para, como Espacio\n"
         "En la consola: las teclas van al receptor GPS; Esc o Ctrl+C detienen el GPS.\n"
         "\n"
         "Opciones:\n"
         "  -h, --help         muestra esta ayuda y termina\n"
         "  --version          muestra la version y termina\n";
}

std::string stationVersionText() {
  return "torva " TORVA_VERSION "\n";
}

# Sourced by the scripts that start the real organiser: a world of its own in
# the folder $work (made by the caller), whose home is drive C: with COUNT
# generated photographs in C:\Photos, settings that no other run shares, a
# program folder holding the data files the program ships with, and a desktop
# trash of its own for the files it deletes.
#   zilo_world COUNT
zilo_world() {
    mkdir -p "$work/home/Photos" "$work/Program" "$work/runtime"
    chmod 700 "$work/runtime"
    cp build/bin/Texture1.jpg build/bin/Preview.jpg build/bin/Movie.avi "$work/Program/"
    export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
    export XDG_RUNTIME_DIR=$work/runtime
    export ZILO_REGISTRY=$work/Registry.db ZILO_PROGRAM_FOLDER=$work/Program QT_QPA_PLATFORM=xcb
    unset ZILO_DRIVE_MAP DISPLAY
    build/bin/MakeBenchPhotos "$work/home/Photos" "$1" 640x400
}

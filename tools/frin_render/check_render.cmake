# Checks frin-render as a user runs it: the same arguments write identical files, another seed
# another scene, and each bad argument ends with one line of message and status 2.
# cmake -DRENDER=<frin-render> -DOUT=<folder> -P check_render.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")

function(render name seed)
  execute_process(
    COMMAND "${RENDER}" --size 64x48 --ticks 12 --every 3 --seed ${seed} --set Remain=on
            --set Max=300 --set Speed=60 --png "${OUT}/${name}.png" --gif "${OUT}/${name}.gif"
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "frin-render failed (${rc}): ${err}")
  endif()
endfunction()

render(a 5)
render(b 5)
render(c 6)
foreach(ext png gif)
  file(SHA256 "${OUT}/a.${ext}" ha)
  file(SHA256 "${OUT}/b.${ext}" hb)
  file(SHA256 "${OUT}/c.${ext}" hc)
  if(NOT ha STREQUAL hb)
    message(FATAL_ERROR "two runs with the same seed wrote different ${ext} files")
  endif()
  if(ha STREQUAL hc)
    message(FATAL_ERROR "two seeds wrote the same ${ext} file")
  endif()
endforeach()

# Two monitors, one to the left of the primary and lower: the same arguments, the same picture.
foreach(name m1 m2)
  execute_process(
    COMMAND "${RENDER}" --monitors 64x48+0+0,32x40-32+8 --ticks 12 --seed 5 --set Remain=on
            --png "${OUT}/${name}.png"
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "frin-render --monitors failed (${rc}): ${err}")
  endif()
endforeach()
file(SHA256 "${OUT}/m1.png" hm1)
file(SHA256 "${OUT}/m2.png" hm2)
if(NOT hm1 STREQUAL hm2)
  message(FATAL_ERROR "two runs over the same monitors wrote different files")
endif()
# The picture is the virtual screen's bounding rectangle: x from -32 to 64, y from 0 to 48.
file(READ "${OUT}/m1.png" ihdr OFFSET 16 LIMIT 8 HEX)
if(NOT ihdr STREQUAL "0000006000000030")
  message(FATAL_ERROR "the picture over two monitors is not 96 x 48 pixels (IHDR ${ihdr})")
endif()

# A monitor's dots per inch: at 192 (scale 2) the flakes are twice the size, so the same seed
# draws another picture than at 96, and the same picture again.
foreach(name d1 d2 d3)
  set(dpi 192)
  if(name STREQUAL "d3")
    set(dpi 96)
  endif()
  execute_process(
    COMMAND "${RENDER}" --monitors 64x48+0+0@${dpi},32x40-32+8@144 --ticks 12 --seed 5
            --png "${OUT}/${name}.png"
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "frin-render --monitors with dpi failed (${rc}): ${err}")
  endif()
endforeach()
file(SHA256 "${OUT}/d1.png" hd1)
file(SHA256 "${OUT}/d2.png" hd2)
file(SHA256 "${OUT}/d3.png" hd3)
if(NOT hd1 STREQUAL hd2 OR hd1 STREQUAL hd3)
  message(FATAL_ERROR "the monitors' dpi do not decide the picture")
endif()

set(bad_arguments "--size|0x10" "--size|80x60@" "--size|80x60@0" "--monitors|64x48+0+0@x" "--size|80" "--ticks|-1" "--every|0" "--seed|x" "--set|Colour=red"
                  "--set|Max" "--bogus" "--png" "--desktop|${OUT}/missing.png" "--set|Speed=0|--set|Remain=on"
                  "--monitors|800x600" "--monitors|800x600+5+0" "--monitors|64x48+0+0,x4+1+1"
                  "--monitors|64x48+0+0,16000x48+1000+0")
foreach(bad IN LISTS bad_arguments)
  string(REPLACE "|" ";" args "${bad}")
  execute_process(COMMAND "${RENDER}" ${args} RESULT_VARIABLE rc ERROR_VARIABLE err)
  string(STRIP "${err}" err)
  string(FIND "${err}" "\n" newline)
  if(NOT rc EQUAL 2 OR err STREQUAL "" OR NOT newline EQUAL -1)
    message(FATAL_ERROR "frin-render ${args}: status ${rc}, message \"${err}\"")
  endif()
endforeach()

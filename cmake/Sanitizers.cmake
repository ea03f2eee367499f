# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build, halting on the first error.
if(KAVRO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

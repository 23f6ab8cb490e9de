# The readers of a language pack's resource bytes and the formatting of its texts: a pack
# is a library from outside, and its bytes and format strings are not trusted.
telvane_fuzz_target(pack_resources pack_resources.cpp telvane_app)
telvane_fuzz_target(pack_text pack_text.cpp telvane_app)

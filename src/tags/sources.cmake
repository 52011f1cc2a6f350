target_sources(pelvanto_tags PRIVATE
  PathHelpers.cpp
)

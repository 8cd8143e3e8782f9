# Writes the schema file IN as the C++ string kPgSchema into OUT.
file(READ ${IN} text)
file(WRITE ${OUT} "// Made from hx5310-counter.sql by EmbedSchema.cmake.\n"
                  "#include \"PgSchema.h\"\n"
                  "namespace hx {\nextern const char kPgSchema[] = R\"hxsql(${text})hxsql\";\n}\n")

<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="Plaintext">
    <div class="plaintext"><xsl:value-of select="."/></div>
  </xsl:template>
</xsl:stylesheet>
